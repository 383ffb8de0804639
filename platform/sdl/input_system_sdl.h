// InputSystem on SDL2: the keyboard and the mouse from SDL's event queue and
// key state, read once a frame. Key codes are the DirectInput key numbers;
// both devices follow the window's input focus.
#pragma once

#include "platform/input_event.h"
#include "platform/key_codes.h"
#include "platform/sdl/input_records.h"

#include <SDL_events.h>
#include <SDL_video.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Records each device hands out per poll; later ones wait for the next poll.
const size_t INPUT_BUFFER_RECORDS = 16;

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
    // With `systemText` set (before init): this frame's typed characters from
    // the system's text input, one byte each (key translation's rule), Enter
    // as a line feed and Tab as a tab, and when the key of each went down;
    // key records are made all the same.
    bool systemText = false;
    std::string text;
    std::vector<uint32_t> textTimes;
    // The window whose input focus the devices follow; set while input is
    // started (init to shutdown).
    SDL_Window* focusWindow = nullptr;
    bool keyboard = false;
    bool mouse = false;
    bool keyboardGrabbed = false;
    bool mouseGrabbed = false;
    InputRecord keyboardBuffer[INPUT_BUFFER_RECORDS] = {};
    InputRecord mouseBuffer[INPUT_BUFFER_RECORDS] = {};
    // Records and characters taken from SDL, not yet handed out.
    InputRecordQueue pending;
    std::string pendingText;
    std::vector<uint32_t> pendingTextTimes;
    // The time of every event, from the X server's key events where SDL
    // passes them on (started with the keyboard).
    EventTimes eventTimes;

    // Starts both devices on `window` (which needs SDL's video running); on
    // failure nothing is held. `instance` is unused here. `exclusive` grabs
    // the keyboard and puts the mouse in relative mode with a hidden cursor.
    bool init(void* instance, SDL_Window* window, bool exclusive);
    bool createKeyboard(SDL_Window* window, bool exclusive);
    // Sets mouseX and mouseY to 0 first, whether or not the mouse starts.
    bool createMouse(SDL_Window* window, bool exclusive);
    void releaseKeyboard();
    // Key and button state into `state` while the window has the input focus
    // (otherwise `state` keeps what it had), then recounts `heldCount`.
    void readState();
    // This frame's events: up to 16 keyboard records, then up to 16 mouse
    // records, in the order they happened; and this frame's text. Times are
    // milliseconds of the X server's clock on X11, of SDL_GetTicks elsewhere
    // (see EventTimes).
    void poll();
    void shutdown();

    // The parts of poll. hasFocus: the window has SDL's keyboard focus.
    // gatherEvents: times SDL's queued key, text and mouse events by the
    // window-system events among them and hands them to `take` (dropping them
    // when `focused` is clear or they belong to another window). take: one
    // event, which happened at `time`, into `pending` records, or
    // `pendingText`. deliverRecords: empties `events`, then when `focused`
    // turns the oldest pending records of the held devices into events, and
    // the pending text into `text`.
    bool hasFocus() const;
    void gatherEvents(bool focused);
    void take(const SDL_Event& event, uint32_t time);
    void deliverRecords(bool focused);

  private:
    void deliverKeyboard(bool focused);
    void deliverMouse(bool focused);
    void releaseMouse();
};
