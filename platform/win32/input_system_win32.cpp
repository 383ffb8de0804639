#include "platform/win32/input_system_win32.h"

#include <cstring>

#include "platform/key_translation.h"
#include "platform/mouse_folding.h"
#include "platform/win32/gl_window_win32.h"

namespace {

const DWORD ALL_ONES = 0xFFFFFFFF;

uint8_t pressedBit(DWORD data) {
    return (data & 0x80) ? 1 : 0;
}

// The mouse data format's field offsets are the ones the folding knows.
static_assert(DIMOFS_X == MOUSE_OFFSET_X && DIMOFS_Y == MOUSE_OFFSET_Y &&
                  DIMOFS_Z == MOUSE_OFFSET_WHEEL && DIMOFS_BUTTON0 == MOUSE_OFFSET_BUTTON0 &&
                  DIMOFS_BUTTON3 == MOUSE_OFFSET_BUTTON0 + 3,
              "mouse state field offsets");

void setBufferSize(IDirectInputDevice8A* device) {
    DIPROPDWORD property = {};
    property.diph.dwSize = sizeof(DIPROPDWORD);
    property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    property.diph.dwObj = 0;
    property.diph.dwHow = DIPH_DEVICE;
    property.dwData = DEVICE_BUFFER_RECORDS;
    device->SetProperty(DIPROP_BUFFERSIZE, &property.diph);
}

DWORD cooperativeLevel(bool exclusive) {
    return (exclusive ? DISCL_EXCLUSIVE : DISCL_NONEXCLUSIVE) | DISCL_FOREGROUND;
}

void releaseDevice(IDirectInputDevice8A*& device) {
    if (device) {
        device->Unacquire();
        device->Release();
        device = nullptr;
    }
}

// Fills the fields the device writes with `offset` and zeros, so that slots it
// leaves alone are recognisable; uAppData is left as it is.
void markRecords(DIDEVICEOBJECTDATA* records, DWORD offset) {
    for (DWORD i = 0; i < INPUT_BUFFER_RECORDS; ++i) {
        records[i].dwOfs = offset;
        records[i].dwData = 0;
        records[i].dwTimeStamp = 0;
        records[i].dwSequence = 0;
    }
}

void readRecords(IDirectInputDevice8A* device, DIDEVICEOBJECTDATA* records) {
    DWORD count = INPUT_BUFFER_RECORDS;
    device->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), records, &count, 0);
}

} // namespace

void takeReceivedText(std::wstring& units, std::vector<DWORD>& unitTimes, std::string& typed,
                      std::vector<uint32_t>& typedTimes) {
    for (size_t i = 0; i < units.size(); ++i) {
        const uint32_t time = i < unitTimes.size() ? unitTimes[i] : 0;
        uint32_t code = static_cast<uint16_t>(units[i]);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size()) {
            const uint32_t low = static_cast<uint16_t>(units[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        // A surrogate without its partner is no character of its own.
        const char c =
            code >= 0xD800 && code <= 0xDFFF ? UNMATCHED_CHARACTER : typedCharacter(code);
        if (c != 0) {
            typed += c;
            typedTimes.push_back(time);
        }
    }
    units.clear();
    unitTimes.clear();
}

bool InputSystem::init(HINSTANCE instance, HWND window, bool exclusive) {
    void* created = nullptr;
    if (FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A, &created,
                                  nullptr))) {
        directInput = nullptr;
        return false;
    }
    directInput = static_cast<IDirectInput8A*>(created);
    return createDevices(window, exclusive);
}

bool InputSystem::createDevices(HWND window, bool exclusive) {
    if (!createKeyboard(window, exclusive)) {
        directInput->Release();
        directInput = nullptr;
        return false;
    }
    if (!createMouse(window, exclusive)) {
        releaseKeyboard();
        directInput->Release();
        directInput = nullptr;
        return false;
    }
    return true;
}

bool InputSystem::createKeyboard(HWND window, bool exclusive) {
    if (FAILED(directInput->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr))) {
        keyboard = nullptr;
        return false;
    }
    keyboard->SetDataFormat(&c_dfDIKeyboard);
    keyboard->SetCooperativeLevel(window, cooperativeLevel(exclusive));
    setBufferSize(keyboard);
    keyboard->Acquire();
    return true;
}

bool InputSystem::createMouse(HWND window, bool exclusive) {
    mouseX = 0;
    mouseY = 0;
    if (FAILED(directInput->CreateDevice(GUID_SysMouse, &mouse, nullptr))) {
        mouse = nullptr;
        return false;
    }
    mouse->SetDataFormat(&c_dfDIMouse);
    if (exclusive) {
        ShowCursor(FALSE);
    }
    mouse->SetCooperativeLevel(window, cooperativeLevel(exclusive));
    setBufferSize(mouse);
    mouse->Acquire();
    return true;
}

void InputSystem::releaseKeyboard() {
    releaseDevice(keyboard);
}

void InputSystem::readState() {
    if (keyboard) {
        keyboard->Acquire();
        uint8_t keys[256];
        if (SUCCEEDED(keyboard->GetDeviceState(sizeof(keys), keys))) {
            std::memcpy(state, keys, sizeof(keys));
        }
    }
    if (mouse) {
        mouse->Acquire();
        DIMOUSESTATE mouseState = {};
        if (SUCCEEDED(mouse->GetDeviceState(sizeof(mouseState), &mouseState))) {
            for (int button = 0; button < 4; ++button) {
                state[MOUSE_BUTTON0 + button] = mouseState.rgbButtons[button];
            }
        }
    }
    heldCount = 0;
    for (uint8_t entry : state) {
        if (entry != 0) {
            ++heldCount;
        }
    }
}

void InputSystem::poll() {
    std::vector<InputEvent>().swap(events);
    if (keyboard) {
        pollKeyboard();
    }
    if (mouse) {
        pollMouse();
    }
    text.clear();
    textTimes.clear();
    if (systemText) {
        takeReceivedText(GlWindow::receivedText, GlWindow::receivedTimes, text, textTimes);
    }
}

void InputSystem::pollKeyboard() {
    keyboard->Acquire();
    markRecords(keyboardBuffer, 0);
    readRecords(keyboard, keyboardBuffer);
    for (const DIDEVICEOBJECTDATA& record : keyboardBuffer) {
        // No key has code 0: the first untouched slot ends the data.
        if (record.dwOfs == 0) {
            break;
        }
        InputEvent event;
        event.code = static_cast<int32_t>(record.dwOfs);
        event.pressed = pressedBit(record.dwData);
        event.x = mouseX;
        event.y = mouseY;
        event.time = record.dwTimeStamp;
        if (event.pressed) {
            if (!GlWindow::keyPresses.waiting(record.dwOfs)) {
                GlWindow::takeKeyMessages();
            }
            event.time = GlWindow::keyPresses.recordTime(record.dwOfs, record.dwTimeStamp);
        }
        events.push_back(event);
    }
}

void InputSystem::pollMouse() {
    mouse->Acquire();
    markRecords(mouseBuffer, ALL_ONES);
    readRecords(mouse, mouseBuffer);
    MouseFolding folding(mouseX, mouseY, mouseWheel);
    for (const DIDEVICEOBJECTDATA& record : mouseBuffer) {
        if (record.dwOfs == ALL_ONES) {
            break;
        }
        folding.fold(record.dwOfs, record.dwData, record.dwTimeStamp, events);
    }
    folding.finish(mouseDeltaX, mouseDeltaY, mouseDeltaWheel);
}

void InputSystem::shutdown() {
    releaseDevice(mouse);
    releaseDevice(keyboard);
    if (directInput) {
        directInput->Release();
        directInput = nullptr;
    }
}
