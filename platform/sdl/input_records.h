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
// `data` the movement along that axis or 0x80 / 0 for a button.
struct InputRecord {
    uint32_t offset = 0;
    int32_t data = 0;
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

    // Appends the records of one SDL event: a key transition of a key with a
    // code (repeats give none), mouse motion (an X record, then a Y record,
    // each only when that axis moved), the wheel (one record, vertical detents
    // times WHEEL_DETENT, positive away from the user) and buttons left,
    // right, middle and the first extra button. Every other event adds nothing.
    void add(const SDL_Event& event);
    void clear();

    // Moves up to `count` of the oldest records of `from` into `to`; returns
    // how many were moved.
    static size_t take(std::deque<InputRecord>& from, InputRecord* to, size_t count);

  private:
    void addKeyboard(InputRecord record);
    void addMouse(InputRecord record);
};
