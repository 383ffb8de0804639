#include "platform/sdl/input_records.h"

#include "platform/sdl/key_code_table.h"

#include <algorithm>

namespace {

// Record offset of an SDL mouse button, or -1 for a button without one.
int64_t buttonOffset(uint8_t button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return MOUSE_OFFSET_BUTTON0;
    case SDL_BUTTON_RIGHT:
        return MOUSE_OFFSET_BUTTON0 + 1;
    case SDL_BUTTON_MIDDLE:
        return MOUSE_OFFSET_BUTTON0 + 2;
    case SDL_BUTTON_X1:
        return MOUSE_OFFSET_BUTTON0 + 3;
    default:
        return -1;
    }
}

bool isMotion(const InputRecord& record) {
    return record.offset == MOUSE_OFFSET_X || record.offset == MOUSE_OFFSET_Y;
}

} // namespace

void InputRecordQueue::add(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        if (event.key.repeat != 0) {
            return;
        }
        const uint8_t key = keyCodeFromScancode(event.key.keysym.scancode);
        if (key != 0) {
            addKeyboard({key, event.type == SDL_KEYDOWN ? 0x80 : 0});
        }
        return;
    }
    case SDL_MOUSEMOTION:
        if (event.motion.xrel != 0) {
            addMouse({MOUSE_OFFSET_X, event.motion.xrel});
        }
        if (event.motion.yrel != 0) {
            addMouse({MOUSE_OFFSET_Y, event.motion.yrel});
        }
        return;
    case SDL_MOUSEWHEEL: {
        int64_t detents = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
            detents = -detents;
        }
        const int64_t amount = std::clamp<int64_t>(detents * WHEEL_DETENT, INT32_MIN, INT32_MAX);
        addMouse({MOUSE_OFFSET_WHEEL, static_cast<int32_t>(amount)});
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int64_t offset = buttonOffset(event.button.button);
        if (offset >= 0) {
            addMouse({static_cast<uint32_t>(offset), event.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0});
        }
        return;
    }
    default:
        return;
    }
}

void InputRecordQueue::clear() {
    keyboard.clear();
    mouse.clear();
}

size_t InputRecordQueue::take(std::deque<InputRecord>& from, InputRecord* to, size_t count) {
    const size_t taken = std::min(count, from.size());
    std::copy_n(from.begin(), taken, to);
    from.erase(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(taken));
    return taken;
}

void InputRecordQueue::addKeyboard(InputRecord record) {
    if (keyboard.size() >= PENDING_RECORD_LIMIT) {
        keyboard.pop_front();
    }
    keyboard.push_back(record);
}

void InputRecordQueue::addMouse(InputRecord record) {
    if (mouse.size() >= PENDING_RECORD_LIMIT) {
        const auto oldestMotion = std::find_if(mouse.begin(), mouse.end(), isMotion);
        if (oldestMotion != mouse.end()) {
            mouse.erase(oldestMotion);
        } else {
            mouse.pop_front();
        }
    }
    mouse.push_back(record);
}
