// Buffered device records made from SDL's key and mouse events, waiting in
// arrival order until InputSystem::poll hands them out.
#pragma once

#include <SDL_events.h>

#include <cstddef>
#include <cstdint>
#include <deque>

#include "platform/mouse_folding.h"

// One change of one control. Keyboard: `offset` is the key code, `data` 0x80
// for down and 0 for up. Mouse: `offset` is one of the MOUSE_OFFSET_ values,
// `data` the movement along that axis or 0x80 / 0 for a button. `time` is
// when it happened (see EventTimes).
struct InputRecord {
    uint32_t offset = 0;
    int32_t data = 0;
    uint32_t time = 0;
};

// Wheel movement of one detent, as DirectInput reports it.
const int32_t WHEEL_DETENT = 120;

// The most records each device keeps waiting; beyond it the oldest go (for
// the mouse the oldest movement first).
const size_t PENDING_RECORD_LIMIT = 4096;

class InputRecordQueue {
  public:
    std::deque<InputRecord> keyboard;
    std::deque<InputRecord> mouse;

    // Appends the records of one SDL event, each with `time`: a key
    // transition of a key with a code (repeats give none), mouse motion (an X
    // record, then a Y record, each only when that axis moved), the wheel (one
    // record, vertical detents times WHEEL_DETENT, positive away from the
    // user) and buttons left, right, middle and the first extra button. Every
    // other event adds nothing.
    void add(const SDL_Event& event, uint32_t time);
    void clear();

    // Moves up to `count` of the oldest records of `from` into `to`; returns
    // how many were moved.
    static size_t take(std::deque<InputRecord>& from, InputRecord* to, size_t count);

  private:
    void addKeyboard(InputRecord record);
    void addMouse(InputRecord record);
};

// When each key, text and mouse event that SDL hands over happened, in
// milliseconds on one clock for the whole run.
//
// SDL stamps its events with its own clock (SDL_GetTicks) as it reads them
// from the window system, so the keystrokes that waited while the frame loop
// was held up would all get the moment it went on. On X11 the X server's own
// time of each key event is exact: SDL passes every X event on as a
// window-system event (SDL_SYSWMEVENT) just before the key and text events it
// makes of it, and those take its time. Any other event (one that SDL made
// on its own, or from a key event that an input method kept back) counts on
// from the latest X key event by SDL's stamps; without an X server (Wayland)
// SDL's stamps are the clock.
class EventTimes {
  public:
    // A window-system event, in the order SDL queued it.
    void noteSystemEvent(const SDL_Event& event);
    // An X key event, pressed or released at the server's `time`, passed on
    // by SDL with its stamp `sdlStamp` (noteSystemEvent's part).
    void noteKeyEvent(bool press, uint32_t time, uint32_t sdlStamp);
    // The time of a key, text or mouse event that follows the window-system
    // events noted so far.
    uint32_t timeOf(const SDL_Event& event);

  private:
    // An X key event has been seen.
    bool anchored = false;
    uint32_t serverTime = 0;
    uint32_t stamp = 0;
    // What SDL may still make of the latest window-system event: a key down
    // and its text (for a press) or a key up (for a release).
    bool keyDownLeft = false;
    bool textLeft = false;
    bool keyUpLeft = false;
};
