// InputSystem on Win32: the system keyboard and mouse through DirectInput 8,
// each buffering its records between frames, read once a frame.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/input_event.h"
#include "platform/key_codes.h"

#include <cstdint>
#include <string>
#include <vector>

// Records each poll takes from a device, in arrival order; the rest wait in
// the device's buffer for the next poll.
const DWORD INPUT_BUFFER_RECORDS = 16;
// Records a device keeps between two polls: far more than anyone can type
// while the frame loop is held up (beyond them DirectInput drops the newest).
const DWORD DEVICE_BUFFER_RECORDS = 4096;

// Turns the UTF-16 units of WM_CHAR messages into the game's one-byte
// characters, appended to `typed`, each with the time of its (first) unit
// appended to `typedTimes`; empties `units` and `unitTimes`.
void takeReceivedText(std::wstring& units, std::vector<DWORD>& unitTimes, std::string& typed,
                      std::vector<uint32_t>& typedTimes);

class InputSystem {
  public:
    std::vector<InputEvent> events;
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    int32_t mouseWheel = 0;
    int32_t mouseDeltaX = 0;
    int32_t mouseDeltaY = 0;
    int32_t mouseDeltaWheel = 0;
    uint8_t state[INPUT_CODE_COUNT] = {};
    int32_t heldCount = 0;
    // With `systemText` set (before init): this frame's typed characters,
    // one byte each (key translation's rule), from the WM_CHAR messages that
    // the window took, and when the key of each went down; key records are
    // made all the same.
    bool systemText = false;
    std::string text;
    std::vector<uint32_t> textTimes;
    IDirectInput8A* directInput = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
    DIDEVICEOBJECTDATA keyboardBuffer[INPUT_BUFFER_RECORDS] = {};
    DIDEVICEOBJECTDATA mouseBuffer[INPUT_BUFFER_RECORDS] = {};

    // Opens DirectInput and both devices; on failure nothing is held.
    bool init(HINSTANCE instance, HWND window, bool exclusive);
    // The device steps of init on an already opened `directInput`: on failure
    // whatever was made, `directInput` included, is released again.
    bool createDevices(HWND window, bool exclusive);
    bool createKeyboard(HWND window, bool exclusive);
    bool createMouse(HWND window, bool exclusive);
    void releaseKeyboard();
    // Immediate state of both devices into `state`, then `heldCount`.
    void readState();
    // Buffered data of both devices into this frame's `events`. An event's
    // `time` is in milliseconds of the system's tick count (GetTickCount): a
    // key press's that of the window's key-down message for it, or else the
    // record's dwTimeStamp.
    void poll();
    void shutdown();

  private:
    void pollKeyboard();
    void pollMouse();
};
