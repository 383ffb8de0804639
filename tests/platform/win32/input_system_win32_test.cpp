#include <gtest/gtest.h>

#include "platform/gl_window.h"
#include "platform/input_system.h"
#include "platform/key_translation.h"
#include "tests/platform/win32/fake_direct_input.h"

#include <algorithm>

namespace {

// An InputSystem holding fake devices, as init leaves it on success.
class InputWithFakes : public ::testing::Test {
  protected:
    CallLog log;
    FakeDirectInput directInput{&log};
    FakeDevice keyboard{"keyboard", &log};
    FakeDevice mouse{"mouse", &log};
    InputSystem input;

    void SetUp() override {
        input.directInput = &directInput;
        input.keyboard = &keyboard;
        input.mouse = &mouse;
    }
    void TearDown() override {
        // The fakes live in the fixture; nothing to release for real.
        input.directInput = nullptr;
        input.keyboard = nullptr;
        input.mouse = nullptr;
    }

    size_t indexOf(const std::string& call) const {
        return static_cast<size_t>(std::find(log.begin(), log.end(), call) - log.begin());
    }
};

TEST_F(InputWithFakes, KeyRecordsBecomeEventsInBufferOrder) {
    keyboard.pending = {record(DIK_A, 0x80), record(DIK_A, 0x00), record(DIK_LSHIFT, 0xFF80),
                        record(DIK_B, 0x17F)};
    input.mouseX = 7;
    input.mouseY = -3;
    input.poll();

    ASSERT_EQ(input.events.size(), 4u);
    const int32_t codes[] = {DIK_A, DIK_A, DIK_LSHIFT, DIK_B};
    // Only bit 7 of the low byte counts as "went down".
    const uint8_t pressed[] = {1, 0, 1, 0};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(input.events[i].code, codes[i]) << i;
        EXPECT_EQ(input.events[i].pressed, pressed[i]) << i;
        EXPECT_EQ(input.events[i].x, 7) << i;
        EXPECT_EQ(input.events[i].y, -3) << i;
    }
}

TEST_F(InputWithFakes, EachReadIsPrecededByAcquireAndAsksForSixteenRecords) {
    input.poll();
    ASSERT_LT(indexOf("keyboard.GetDeviceData"), log.size());
    ASSERT_LT(indexOf("mouse.GetDeviceData"), log.size());
    EXPECT_EQ(log[indexOf("keyboard.GetDeviceData") - 1], "keyboard.Acquire");
    EXPECT_EQ(log[indexOf("mouse.GetDeviceData") - 1], "mouse.Acquire");
    EXPECT_LT(indexOf("keyboard.GetDeviceData"), indexOf("mouse.Acquire"));
    for (const FakeDevice* device : {&keyboard, &mouse}) {
        EXPECT_EQ(device->lastRecordSize, sizeof(DIDEVICEOBJECTDATA)) << device->name;
        EXPECT_EQ(device->lastRequestedCount, 16u) << device->name;
        EXPECT_EQ(device->lastFlags, 0u) << device->name;
    }

    log.clear();
    input.readState();
    EXPECT_EQ(log, (CallLog{"keyboard.Acquire", "keyboard.GetDeviceState", "mouse.Acquire",
                            "mouse.GetDeviceState"}));
    EXPECT_EQ(keyboard.lastStateSize, 256u);
    EXPECT_EQ(mouse.lastStateSize, sizeof(DIMOUSESTATE));
}

TEST_F(InputWithFakes, ReceiveAreasAreMarkedBeforeEveryReadButAppDataIsKept) {
    for (DIDEVICEOBJECTDATA& slot : input.keyboardBuffer) {
        slot = record(DIK_Z, 0x80);
        slot.uAppData = 0x1234;
    }
    for (DIDEVICEOBJECTDATA& slot : input.mouseBuffer) {
        slot = record(DIMOFS_X, 5);
        slot.uAppData = 0x5678;
    }
    input.poll();

    ASSERT_EQ(keyboard.areaBeforeRead.size(), 16u);
    ASSERT_EQ(mouse.areaBeforeRead.size(), 16u);
    for (size_t i = 0; i < 16; ++i) {
        const DIDEVICEOBJECTDATA& key = keyboard.areaBeforeRead[i];
        EXPECT_EQ(key.dwOfs, 0u);
        EXPECT_EQ(key.dwData, 0u);
        EXPECT_EQ(key.dwTimeStamp, 0u);
        EXPECT_EQ(key.dwSequence, 0u);
        EXPECT_EQ(key.uAppData, 0x1234u);
        const DIDEVICEOBJECTDATA& button = mouse.areaBeforeRead[i];
        EXPECT_EQ(button.dwOfs, 0xFFFFFFFFu);
        EXPECT_EQ(button.dwData, 0u);
        EXPECT_EQ(button.dwTimeStamp, 0u);
        EXPECT_EQ(button.dwSequence, 0u);
        EXPECT_EQ(button.uAppData, 0x5678u);
    }
    // The stale contents of the areas produced nothing.
    EXPECT_TRUE(input.events.empty());
    EXPECT_EQ(input.mouseX, 0);
}

TEST_F(InputWithFakes, AFrameWithoutInputHasNoEventsAndNoStorage) {
    keyboard.pending = {record(DIK_Q, 0x80), record(DIK_W, 0x80), record(DIK_E, 0x80)};
    mouse.pending = {record(DIMOFS_BUTTON1, 0x80)};
    input.poll();
    ASSERT_EQ(input.events.size(), 4u);

    keyboard.pending = {record(DIK_R, 0x00)};
    input.poll();
    ASSERT_EQ(input.events.size(), 1u);
    EXPECT_EQ(input.events[0].code, DIK_R);

    input.poll();
    EXPECT_TRUE(input.events.empty());
    EXPECT_EQ(input.events.capacity(), 0u);
}

TEST_F(InputWithFakes, AtMostSixteenRecordsPerDeviceArriveInOnePoll) {
    for (DWORD i = 0; i < 20; ++i) {
        keyboard.pending.push_back(record(DIK_1 + (i % 10), (i % 2) ? 0x00 : 0x80));
        mouse.pending.push_back(record(DIMOFS_X, 1));
    }
    input.poll();
    ASSERT_EQ(input.events.size(), 32u);
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(input.events[i].code, static_cast<int32_t>(DIK_1 + (i % 10)));
        EXPECT_EQ(input.events[16 + i].code, MOUSE_MOVE);
    }
    EXPECT_EQ(input.mouseX, 16);
    EXPECT_EQ(input.mouseDeltaX, 16);
}

TEST_F(InputWithFakes, MouseRecordsFoldIntoTheCodeSpace) {
    mouse.pending = {record(DIMOFS_X, 5),
                     record(DIMOFS_Y, static_cast<DWORD>(-3)),
                     record(DIMOFS_Z, 0),
                     record(DIMOFS_Z, 120),
                     record(DIMOFS_Z, static_cast<DWORD>(-240)),
                     record(DIMOFS_BUTTON0, 0x80),
                     record(DIMOFS_BUTTON3, 0x00),
                     record(DIMOFS_BUTTON2, 0x180)};
    input.mouseWheel = 1000;
    input.poll();

    struct Expected {
        int32_t code;
        uint8_t pressed;
        int32_t x, y;
    };
    // A diagonal move is two events, the first with only X applied; a wheel
    // record of 0 makes none; the wheel is "pressed" both ways.
    const Expected expected[] = {
        {MOUSE_MOVE, 0, 5, 0},     {MOUSE_MOVE, 0, 5, -3},    {MOUSE_WHEEL, 1, 5, -3},
        {MOUSE_WHEEL, 1, 5, -3},   {MOUSE_BUTTON0, 1, 5, -3}, {MOUSE_BUTTON3, 0, 5, -3},
        {MOUSE_BUTTON2, 1, 5, -3},
    };
    ASSERT_EQ(input.events.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(input.events[i].code, expected[i].code) << i;
        EXPECT_EQ(input.events[i].pressed, expected[i].pressed) << i;
        EXPECT_EQ(input.events[i].x, expected[i].x) << i;
        EXPECT_EQ(input.events[i].y, expected[i].y) << i;
    }
    EXPECT_EQ(input.mouseWheel, 880);
    EXPECT_EQ(input.mouseDeltaX, 5);
    EXPECT_EQ(input.mouseDeltaY, -3);
    EXPECT_EQ(input.mouseDeltaWheel, -120);

    input.poll();
    EXPECT_TRUE(input.events.empty());
    EXPECT_EQ(input.mouseDeltaX, 0);
    EXPECT_EQ(input.mouseDeltaY, 0);
    EXPECT_EQ(input.mouseDeltaWheel, 0);
    EXPECT_EQ(input.mouseX, 5);
}

TEST_F(InputWithFakes, KeyEventsCarryThePositionFromBeforeThisPollsMouseRecords) {
    input.mouseX = 10;
    input.mouseY = 20;
    mouse.pending = {record(DIMOFS_X, 4), record(DIMOFS_Y, 6)};
    keyboard.pending = {record(DIK_SPACE, 0x80)};
    input.poll();

    ASSERT_EQ(input.events.size(), 3u);
    EXPECT_EQ(input.events[0].code, DIK_SPACE);
    EXPECT_EQ(input.events[0].x, 10);
    EXPECT_EQ(input.events[0].y, 20);
    EXPECT_EQ(input.events[2].x, 14);
    EXPECT_EQ(input.events[2].y, 26);
}

TEST_F(InputWithFakes, AccumulatorsWrapInsteadOfOverflowing) {
    input.mouseX = INT32_MAX;
    mouse.pending = {record(DIMOFS_X, 2)};
    input.poll();
    EXPECT_EQ(input.mouseX, INT32_MIN + 1);
    EXPECT_EQ(input.mouseDeltaX, 2);
}

TEST_F(InputWithFakes, AFailedBufferedReadGivesNoEvents) {
    keyboard.dataResult = DIERR_NOTACQUIRED;
    mouse.dataResult = DIERR_INPUTLOST;
    keyboard.pending = {record(DIK_A, 0x80)};
    mouse.pending = {record(DIMOFS_X, 3)};
    input.poll();
    EXPECT_TRUE(input.events.empty());
    EXPECT_EQ(input.mouseX, 0);
}

TEST_F(InputWithFakes, ReadStateCopiesKeysAndButtonsAndCountsHeldEntries) {
    keyboard.stateBytes.assign(256, 0);
    keyboard.stateBytes[DIK_ESCAPE] = 0x80;
    keyboard.stateBytes[DIK_LSHIFT] = 0x80;
    keyboard.stateBytes[DIK_RSHIFT] = 0x81;
    DIMOUSESTATE mouseState = {};
    mouseState.lX = 50;
    mouseState.lZ = 120;
    mouseState.rgbButtons[0] = 0x80;
    mouseState.rgbButtons[3] = 0x80;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&mouseState);
    mouse.stateBytes.assign(bytes, bytes + sizeof(mouseState));

    input.readState();
    EXPECT_EQ(input.state[DIK_ESCAPE], 0x80);
    EXPECT_EQ(input.state[DIK_LSHIFT], 0x80);
    EXPECT_EQ(input.state[DIK_RSHIFT], 0x81);
    EXPECT_EQ(input.state[MOUSE_BUTTON0], 0x80);
    EXPECT_EQ(input.state[MOUSE_BUTTON1], 0);
    EXPECT_EQ(input.state[MOUSE_BUTTON3], 0x80);
    // Axis values are not state entries.
    EXPECT_EQ(input.state[MOUSE_WHEEL], 0);
    EXPECT_EQ(input.state[MOUSE_MOVE], 0);
    EXPECT_EQ(input.heldCount, 5);

    keyboard.stateBytes[DIK_ESCAPE] = 0;
    input.readState();
    EXPECT_EQ(input.state[DIK_ESCAPE], 0);
    EXPECT_EQ(input.heldCount, 4);
}

TEST_F(InputWithFakes, AFailedStateReadKeepsThatDevicesPreviousEntries) {
    keyboard.stateBytes.assign(256, 0);
    keyboard.stateBytes[DIK_ESCAPE] = 0x80;
    DIMOUSESTATE mouseState = {};
    mouseState.rgbButtons[1] = 0x80;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&mouseState);
    mouse.stateBytes.assign(bytes, bytes + sizeof(mouseState));
    input.readState();

    keyboard.stateBytes[DIK_ESCAPE] = 0;
    keyboard.stateResult = DIERR_NOTACQUIRED;
    mouse.stateBytes.assign(sizeof(mouseState), 0);
    input.readState();
    EXPECT_EQ(input.state[DIK_ESCAPE], 0x80);
    EXPECT_EQ(input.state[MOUSE_BUTTON1], 0);
    EXPECT_EQ(input.heldCount, 1);

    mouse.stateResult = DIERR_INPUTLOST;
    input.state[MOUSE_BUTTON2] = 0x80;
    input.readState();
    EXPECT_EQ(input.state[MOUSE_BUTTON2], 0x80);
    EXPECT_EQ(input.heldCount, 2);
}

TEST_F(InputWithFakes, ShutdownReleasesMouseThenKeyboardThenDirectInput) {
    input.shutdown();
    EXPECT_EQ(log, (CallLog{"mouse.Unacquire", "mouse.Release", "keyboard.Unacquire",
                            "keyboard.Release", "directInput.Release"}));
    EXPECT_EQ(input.mouse, nullptr);
    EXPECT_EQ(input.keyboard, nullptr);
    EXPECT_EQ(input.directInput, nullptr);

    log.clear();
    input.shutdown();
    EXPECT_TRUE(log.empty());
}

TEST_F(InputWithFakes, SystemTextComesFromTheCharactersTheWindowTook) {
    // WM_CHAR units: a surrogate pair is one character beyond Latin-1, and so
    // is a surrogate without its partner; keys that are no text give nothing.
    GlWindow::receivedText = std::wstring(L"a\u00E9\r\t\b\x1B") + wchar_t(0xD83D) +
                             wchar_t(0xDE00) + wchar_t(0xD83D) + L"b" + wchar_t(0xDE00);
    keyboard.pending = {record(DIK_A, 0x80)};
    input.poll();
    EXPECT_EQ(input.text, "");
    EXPECT_EQ(GlWindow::receivedText.size(), 11u); // left for when they are asked for

    input.systemText = true;
    input.poll();
    const std::string unmatched(1, UNMATCHED_CHARACTER);
    EXPECT_EQ(input.text, "a\xE9\n\t" + unmatched + unmatched + "b" + unmatched);
    EXPECT_TRUE(GlWindow::receivedText.empty());
    input.poll();
    EXPECT_EQ(input.text, "");
}

// Takes every message left in the thread's queue.
void drainQueue() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

// lParam of a key message of the key with DirectInput code (scan code) `key`.
LPARAM keyMessage(DWORD key) {
    return static_cast<LPARAM>(key << 16 | 1);
}

TEST_F(InputWithFakes, KeyPressesTakeTheTimesOfTheirKeyMessages) {
    drainQueue();
    GlWindow::keyPresses.clear();
    GlWindow window;
    // A's message was taken by the frame loop; B's still waits when the
    // device reports B (wine reads keys from the X server while the device
    // is read); C's never came.
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, 'A', keyMessage(DIK_A)));
    ASSERT_TRUE(window.handleMessage());
    const DWORD aPressed = GlWindow::keyDownTime;
    Sleep(20);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, 'B', keyMessage(DIK_B)));
    keyboard.pending = {record(DIK_A, 0x80, 50000), record(DIK_A, 0, 50010),
                        record(DIK_B, 0x80, 50020), record(DIK_C, 0x80, 50030)};
    mouse.pending = {record(DIMOFS_BUTTON0, 0x80, 50040)};
    input.poll();
    ASSERT_EQ(input.events.size(), 5u);
    EXPECT_EQ(input.events[0].time, aPressed);
    EXPECT_EQ(input.events[2].time, GlWindow::keyDownTime);
    EXPECT_NE(aPressed, GlWindow::keyDownTime);
    // Without a message, and for key-ups and the mouse: the record's stamp.
    EXPECT_EQ(input.events[1].time, 50010u);
    EXPECT_EQ(input.events[3].time, 50030u);
    EXPECT_EQ(input.events[4].time, 50040u);
    drainQueue();
}

TEST(KeyPressTimes, MessagesOfKeysTheDeviceMissedOrReportedFirstGo) {
    KeyPressTimes times;
    // The device missed A: its message goes with the next one matched.
    times.noteMessage(DIK_A, 100);
    times.noteMessage(DIK_B, 150);
    times.noteMessage(DIK_B, 200);
    EXPECT_EQ(times.recordTime(DIK_B, 1), 150u);
    EXPECT_EQ(times.recordTime(DIK_A, 2), 2u);
    // A's record came first, so its next message goes; a message of another
    // key means an owed one is not coming.
    times.noteMessage(DIK_A, 300);
    EXPECT_EQ(times.recordTime(DIK_C, 3), 3u);
    times.noteMessage(DIK_D, 400);
    times.noteMessage(DIK_C, 500);
    EXPECT_EQ(times.recordTime(DIK_B, 4), 200u);
    EXPECT_FALSE(times.waiting(DIK_A));
    EXPECT_EQ(times.recordTime(DIK_D, 5), 400u);
    EXPECT_EQ(times.recordTime(DIK_C, 6), 500u);
}

TEST_F(InputWithFakes, TypedCharactersTakeTheTimeOfTheirKeyDownMessage) {
    drainQueue();
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = GlWindow::textWindowProc;
    windowClass.lpszClassName = L"tapquill-test-text";
    RegisterClassW(&windowClass);
    const HWND target = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0,
                                        HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);
    GlWindow window;
    window.systemText = true;
    ASSERT_TRUE(PostMessageW(target, WM_KEYDOWN, 'E', keyMessage(DIK_E)));
    while (window.handleMessage()) {
    }
    const DWORD pressed = GlWindow::keyDownTime;
    // A character sent much later: wine gives each WM_CHAR the moment it was
    // translated, a frame or more after the key.
    Sleep(40);
    ASSERT_TRUE(PostMessageW(target, WM_CHAR, L'x', 0));
    ASSERT_TRUE(window.handleMessage());
    input.systemText = true;
    input.poll();
    EXPECT_EQ(input.text, "ex");
    EXPECT_EQ(input.textTimes, (std::vector<uint32_t>{pressed, pressed}));
    DestroyWindow(target);
    UnregisterClassW(windowClass.lpszClassName, nullptr);
}

TEST(InputWithoutDevices, FramesRunWithoutTouchingAnything) {
    InputSystem input;
    input.events.push_back(InputEvent{});
    input.state[DIK_ESCAPE] = 0x80;
    input.readState();
    input.poll();
    EXPECT_TRUE(input.events.empty());
    EXPECT_EQ(input.heldCount, 1);
    input.shutdown();
    EXPECT_EQ(input.directInput, nullptr);
}

class InputDeviceCreation : public ::testing::Test {
  protected:
    CallLog log;
    FakeDirectInput directInput{&log};
    FakeDevice keyboard{"keyboard", &log};
    FakeDevice mouse{"mouse", &log};
    InputSystem input;
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));

    void SetUp() override { input.directInput = &directInput; }
};

TEST_F(InputDeviceCreation, BothDevicesAreSetUpForBufferedForegroundInput) {
    directInput.keyboard = &keyboard;
    directInput.mouse = &mouse;
    input.mouseX = 9;
    input.mouseY = 9;
    input.mouseWheel = 9;
    ASSERT_TRUE(input.createDevices(window, false));

    EXPECT_EQ(input.keyboard, &keyboard);
    EXPECT_EQ(input.mouse, &mouse);
    EXPECT_EQ(keyboard.dataFormat, &c_dfDIKeyboard);
    EXPECT_EQ(mouse.dataFormat, &c_dfDIMouse);
    for (const FakeDevice* device : {&keyboard, &mouse}) {
        EXPECT_EQ(device->cooperativeWindow, window) << device->name;
        EXPECT_EQ(device->cooperativeFlags, 6u) << device->name;
        ASSERT_TRUE(device->bufferSizeSet) << device->name;
        EXPECT_EQ(device->bufferSizeProperty.diph.dwSize, 20u);
        EXPECT_EQ(device->bufferSizeProperty.diph.dwHeaderSize, 16u);
        EXPECT_EQ(device->bufferSizeProperty.diph.dwObj, 0u);
        EXPECT_EQ(device->bufferSizeProperty.diph.dwHow, static_cast<DWORD>(DIPH_DEVICE));
        EXPECT_EQ(device->bufferSizeProperty.dwData, 4096u);
    }
    EXPECT_EQ(log,
              (CallLog{"directInput.CreateDevice(keyboard)", "keyboard.SetDataFormat",
                       "keyboard.SetCooperativeLevel", "keyboard.SetProperty", "keyboard.Acquire",
                       "directInput.CreateDevice(mouse)", "mouse.SetDataFormat",
                       "mouse.SetCooperativeLevel", "mouse.SetProperty", "mouse.Acquire"}));
    EXPECT_EQ(input.mouseX, 0);
    EXPECT_EQ(input.mouseY, 0);
    EXPECT_EQ(input.mouseWheel, 9);
    input.keyboard = nullptr;
    input.mouse = nullptr;
    input.directInput = nullptr;
}

TEST_F(InputDeviceCreation, ExclusiveAccessUsesLevelFive) {
    directInput.keyboard = &keyboard;
    directInput.mouse = &mouse;
    ASSERT_TRUE(input.createDevices(window, true));
    EXPECT_EQ(keyboard.cooperativeFlags, 5u);
    EXPECT_EQ(mouse.cooperativeFlags, 5u);
    // The exclusive mouse hid the cursor; show it again for whoever runs next.
    ShowCursor(TRUE);
    input.keyboard = nullptr;
    input.mouse = nullptr;
    input.directInput = nullptr;
}

TEST_F(InputDeviceCreation, NoKeyboardReleasesDirectInput) {
    directInput.mouse = &mouse;
    EXPECT_FALSE(input.createDevices(window, false));
    EXPECT_EQ(log, (CallLog{"directInput.CreateDevice(keyboard)", "directInput.Release"}));
    EXPECT_EQ(input.directInput, nullptr);
    EXPECT_EQ(input.keyboard, nullptr);
    EXPECT_EQ(input.mouse, nullptr);
}

TEST_F(InputDeviceCreation, NoMouseReleasesKeyboardThenDirectInput) {
    directInput.keyboard = &keyboard;
    input.mouseX = 4;
    input.mouseWheel = 4;
    EXPECT_FALSE(input.createDevices(window, false));
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[log.size() - 4], "directInput.CreateDevice(mouse)");
    EXPECT_EQ(log[log.size() - 3], "keyboard.Unacquire");
    EXPECT_EQ(log[log.size() - 2], "keyboard.Release");
    EXPECT_EQ(log[log.size() - 1], "directInput.Release");
    EXPECT_EQ(input.directInput, nullptr);
    EXPECT_EQ(input.keyboard, nullptr);
    EXPECT_EQ(input.mouse, nullptr);
    EXPECT_EQ(input.mouseX, 0);
    EXPECT_EQ(input.mouseWheel, 4);

    // With nothing held, frames leave everything alone.
    log.clear();
    input.readState();
    input.poll();
    EXPECT_TRUE(log.empty());
}

} // namespace
