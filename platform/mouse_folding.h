// Buffered mouse records into the frame's events and the mouse totals, the
// same on every platform. A record names its control by the offset of that
// control's field in a DirectInput mouse state (X 0, Y 4, wheel 8, buttons 12
// to 15) and carries the device's 32 bits of data: a movement, or a button
// byte whose high bit means down.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/input_event.h"

const uint32_t MOUSE_OFFSET_X = 0;
const uint32_t MOUSE_OFFSET_Y = 4;
const uint32_t MOUSE_OFFSET_WHEEL = 8;
const uint32_t MOUSE_OFFSET_BUTTON0 = 12; // buttons 0..3 are 12..15

// Folds one poll's records into `x`, `y` and `wheel`, which wrap around
// instead of overflowing; `finish` gives what this poll moved them by.
class MouseFolding {
  public:
    MouseFolding(int32_t& x, int32_t& y, int32_t& wheel)
        : x(x), y(y), wheel(wheel), startX(x), startY(y), startWheel(wheel) {}

    // Adds the record's event, if it makes one, to `events`: one MOUSE_MOVE
    // per axis record, MOUSE_WHEEL (pressed) for a wheel record that moved,
    // a button transition; other offsets make none. Every event carries the
    // totals after its record, and the record's time.
    void fold(uint32_t offset, uint32_t data, uint32_t time, std::vector<InputEvent>& events) {
        InputEvent event;
        event.time = time;
        switch (offset) {
        case MOUSE_OFFSET_X:
            x = wrappingAdd(x, data);
            event.code = MOUSE_MOVE;
            break;
        case MOUSE_OFFSET_Y:
            y = wrappingAdd(y, data);
            event.code = MOUSE_MOVE;
            break;
        case MOUSE_OFFSET_WHEEL:
            wheel = wrappingAdd(wheel, data);
            if (data == 0) {
                return;
            }
            event.code = MOUSE_WHEEL;
            event.pressed = 1;
            break;
        default:
            if (offset < MOUSE_OFFSET_BUTTON0 || offset > MOUSE_OFFSET_BUTTON0 + 3) {
                return;
            }
            event.code = MOUSE_BUTTON0 + static_cast<int32_t>(offset - MOUSE_OFFSET_BUTTON0);
            event.pressed = (data & 0x80) != 0 ? 1 : 0;
            break;
        }
        event.x = x;
        event.y = y;
        events.push_back(event);
    }

    void finish(int32_t& deltaX, int32_t& deltaY, int32_t& deltaWheel) const {
        deltaX = wrappingDifference(x, startX);
        deltaY = wrappingDifference(y, startY);
        deltaWheel = wrappingDifference(wheel, startWheel);
    }

  private:
    static int32_t wrappingAdd(int32_t total, uint32_t amount) {
        return static_cast<int32_t>(static_cast<uint32_t>(total) + amount);
    }
    static int32_t wrappingDifference(int32_t now, int32_t before) {
        return static_cast<int32_t>(static_cast<uint32_t>(now) - static_cast<uint32_t>(before));
    }

    int32_t& x;
    int32_t& y;
    int32_t& wheel;
    const int32_t startX;
    const int32_t startY;
    const int32_t startWheel;
};
