#include "platform/sdl/input_records.h"

#include "platform/sdl/key_code_table.h"

#include <SDL_syswm.h>

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

void InputRecordQueue::add(const SDL_Event& event, uint32_t time) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        if (event.key.repeat != 0) {
            return;
        }
        const uint8_t key = keyCodeFromScancode(event.key.keysym.scancode);
        if (key != 0) {
            addKeyboard({key, event.type == SDL_KEYDOWN ? 0x80 : 0, time});
        }
        return;
    }
    case SDL_MOUSEMOTION:
        if (event.motion.xrel != 0) {
            addMouse({MOUSE_OFFSET_X, event.motion.xrel, time});
        }
        if (event.motion.yrel != 0) {
            addMouse({MOUSE_OFFSET_Y, event.motion.yrel, time});
        }
        return;
    case SDL_MOUSEWHEEL: {
        int64_t detents = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
            detents = -detents;
        }
        const int64_t amount = std::clamp<int64_t>(detents * WHEEL_DETENT, INT32_MIN, INT32_MAX);
        addMouse({MOUSE_OFFSET_WHEEL, static_cast<int32_t>(amount), time});
        return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int64_t offset = buttonOffset(event.button.button);
        if (offset >= 0) {
            addMouse({static_cast<uint32_t>(offset), event.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0,
                      time});
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

void EventTimes::noteSystemEvent(const SDL_Event& event) {
#if defined(SDL_VIDEO_DRIVER_X11)
    const SDL_SysWMmsg* message = event.syswm.msg;
    if (message != nullptr && message->subsystem == SDL_SYSWM_X11) {
        const XEvent& x = message->msg.x11.event;
        if (x.type == KeyPress || x.type == KeyRelease) {
            noteKeyEvent(x.type == KeyPress, static_cast<uint32_t>(x.xkey.time),
                         event.syswm.timestamp);
            return;
        }
    }
#endif
    (void)event;
    keyDownLeft = false;
    textLeft = false;
    keyUpLeft = false;
}

void EventTimes::noteKeyEvent(bool press, uint32_t time, uint32_t sdlStamp) {
    anchored = true;
    serverTime = time;
    stamp = sdlStamp;
    keyDownLeft = press;
    textLeft = press;
    keyUpLeft = !press;
}

uint32_t EventTimes::timeOf(const SDL_Event& event) {
    if (event.type == SDL_KEYDOWN && keyDownLeft) {
        keyDownLeft = false;
        return serverTime;
    }
    if (event.type == SDL_TEXTINPUT && textLeft) {
        // The text follows its key down, if there is one.
        textLeft = false;
        keyDownLeft = false;
        return serverTime;
    }
    if (event.type == SDL_KEYUP && keyUpLeft) {
        keyUpLeft = false;
        return serverTime;
    }
    // Not made of that X event: what follows is not either.
    keyDownLeft = false;
    textLeft = false;
    keyUpLeft = false;
    return anchored ? serverTime + (event.common.timestamp - stamp) : event.common.timestamp;
}
