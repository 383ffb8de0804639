#include "tests/platform/win32/fake_direct_input.h"

#include <algorithm>
#include <cstring>

DIDEVICEOBJECTDATA record(DWORD offset, DWORD data, DWORD stamp) {
    DIDEVICEOBJECTDATA result = {};
    result.dwOfs = offset;
    result.dwData = data;
    result.dwTimeStamp = stamp;
    return result;
}

HRESULT FakeDevice::QueryInterface(REFIID, void**) {
    return E_NOINTERFACE;
}
ULONG FakeDevice::AddRef() {
    return ++references;
}
ULONG FakeDevice::Release() {
    note("Release");
    return --references;
}

HRESULT FakeDevice::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
    note("SetProperty");
    if (&property == &DIPROP_BUFFERSIZE && header->dwSize == sizeof(DIPROPDWORD)) {
        std::memcpy(&bufferSizeProperty, header, sizeof(DIPROPDWORD));
        bufferSizeSet = true;
    }
    return DI_OK;
}

HRESULT FakeDevice::Acquire() {
    note("Acquire");
    return DI_OK;
}

HRESULT FakeDevice::Unacquire() {
    note("Unacquire");
    return DI_OK;
}

HRESULT FakeDevice::GetDeviceState(DWORD size, LPVOID data) {
    note("GetDeviceState");
    lastStateSize = size;
    if (FAILED(stateResult)) {
        return stateResult;
    }
    std::memset(data, 0, size);
    std::memcpy(data, stateBytes.data(), std::min<size_t>(size, stateBytes.size()));
    return stateResult;
}

HRESULT FakeDevice::GetDeviceData(DWORD recordSize, LPDIDEVICEOBJECTDATA records, LPDWORD count,
                                  DWORD flags) {
    note("GetDeviceData");
    lastRecordSize = recordSize;
    lastRequestedCount = *count;
    lastFlags = flags;
    areaBeforeRead.assign(records, records + *count);
    if (FAILED(dataResult)) {
        *count = 0;
        return dataResult;
    }
    const DWORD delivered = std::min<DWORD>(*count, static_cast<DWORD>(pending.size()));
    for (DWORD i = 0; i < delivered; ++i) {
        // A device writes the four data fields; uAppData is the caller's.
        records[i].dwOfs = pending[i].dwOfs;
        records[i].dwData = pending[i].dwData;
        records[i].dwTimeStamp = pending[i].dwTimeStamp;
        records[i].dwSequence = 1 + i;
    }
    pending.erase(pending.begin(), pending.begin() + delivered);
    *count = delivered;
    return DI_OK;
}

HRESULT FakeDevice::SetDataFormat(LPCDIDATAFORMAT format) {
    note("SetDataFormat");
    dataFormat = format;
    return DI_OK;
}

HRESULT FakeDevice::SetCooperativeLevel(HWND window, DWORD flags) {
    note("SetCooperativeLevel");
    cooperativeWindow = window;
    cooperativeFlags = flags;
    return DI_OK;
}

HRESULT FakeDevice::GetCapabilities(LPDIDEVCAPS) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::GetProperty(REFGUID, LPDIPROPHEADER) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::SetEventNotification(HANDLE) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::GetDeviceInfo(LPDIDEVICEINSTANCEA) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::RunControlPanel(HWND, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::Initialize(HINSTANCE, DWORD, REFGUID) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*, LPUNKNOWN) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::GetEffectInfo(LPDIEFFECTINFOA, REFGUID) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::GetForceFeedbackState(LPDWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::SendForceFeedbackCommand(DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::Escape(LPDIEFFESCAPE) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::Poll() {
    return E_NOTIMPL;
}
HRESULT FakeDevice::SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDevice::GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) {
    return E_NOTIMPL;
}

HRESULT FakeDirectInput::QueryInterface(REFIID, void**) {
    return E_NOINTERFACE;
}
ULONG FakeDirectInput::AddRef() {
    return ++references;
}
ULONG FakeDirectInput::Release() {
    log->push_back("directInput.Release");
    return --references;
}

HRESULT FakeDirectInput::CreateDevice(REFGUID device, LPDIRECTINPUTDEVICE8A* created,
                                      LPUNKNOWN outer) {
    const bool isKeyboard = IsEqualGUID(device, GUID_SysKeyboard);
    const bool isMouse = IsEqualGUID(device, GUID_SysMouse);
    log->push_back(isKeyboard ? "directInput.CreateDevice(keyboard)"
                   : isMouse  ? "directInput.CreateDevice(mouse)"
                              : "directInput.CreateDevice(other)");
    FakeDevice* made = isKeyboard ? keyboard : isMouse ? mouse : nullptr;
    if (outer != nullptr || made == nullptr) {
        *created = nullptr;
        return DIERR_DEVICENOTREG;
    }
    *created = made;
    return DI_OK;
}

HRESULT FakeDirectInput::EnumDevices(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDirectInput::GetDeviceStatus(REFGUID) {
    return E_NOTIMPL;
}
HRESULT FakeDirectInput::RunControlPanel(HWND, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDirectInput::Initialize(HINSTANCE, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDirectInput::FindDevice(REFGUID, LPCSTR, LPGUID) {
    return E_NOTIMPL;
}
HRESULT FakeDirectInput::EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA,
                                                LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID, DWORD) {
    return E_NOTIMPL;
}
HRESULT FakeDirectInput::ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA,
                                          DWORD, LPVOID) {
    return E_NOTIMPL;
}
