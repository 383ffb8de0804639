#include "platform/sdl/input_system_sdl.h"

#include "platform/key_translation.h"
#include "platform/mouse_folding.h"
#include "platform/sdl/key_code_table.h"

#include <SDL.h>

#include <cstring>

namespace {

const uint32_t NO_MOUSE_RECORD = 0xFFFFFFFF;

uint8_t pressedBit(int32_t data) {
    return (data & 0x80) != 0 ? 1 : 0;
}

// The window an SDL key or mouse event was sent to.
uint32_t eventWindow(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    case SDL_TEXTEDITING:
        return event.edit.windowID;
    case SDL_TEXTINPUT:
        return event.text.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    default:
        return 0;
    }
}

bool isKeyEvent(const SDL_Event& event) {
    return event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
}

bool usableWindow(SDL_Window* window) {
    return window != nullptr && SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetWindowID(window) != 0;
}

} // namespace

bool InputSystem::init(void* instance, SDL_Window* window, bool exclusive) {
    (void)instance;
    if (!usableWindow(window)) {
        return false;
    }
    focusWindow = window;
    if (!createKeyboard(window, exclusive)) {
        focusWindow = nullptr;
        return false;
    }
    if (!createMouse(window, exclusive)) {
        releaseKeyboard();
        focusWindow = nullptr;
        return false;
    }
    return true;
}

bool InputSystem::createKeyboard(SDL_Window* window, bool exclusive) {
    if (!usableWindow(window)) {
        return false;
    }
    keyboard = true;
    // The X server's time of every key event comes with SDL's window-system
    // events.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    // Typed characters come from key codes, or from the system's text input.
    if (systemText) {
        SDL_StartTextInput();
    } else {
        SDL_StopTextInput();
    }
    if (exclusive) {
        SDL_SetWindowKeyboardGrab(window, SDL_TRUE);
        keyboardGrabbed = true;
    }
    return true;
}

bool InputSystem::createMouse(SDL_Window* window, bool exclusive) {
    mouseX = 0;
    mouseY = 0;
    if (!usableWindow(window)) {
        return false;
    }
    mouse = true;
    if (exclusive) {
        // Relative mode grabs the pointer and hides the cursor.
        SDL_SetRelativeMouseMode(SDL_TRUE);
        mouseGrabbed = true;
    }
    return true;
}

void InputSystem::releaseKeyboard() {
    if (!keyboard) {
        return;
    }
    if (keyboardGrabbed && focusWindow != nullptr) {
        SDL_SetWindowKeyboardGrab(focusWindow, SDL_FALSE);
    }
    keyboardGrabbed = false;
    keyboard = false;
    pending.keyboard.clear();
    pendingText.clear();
    pendingTextTimes.clear();
    SDL_StopTextInput();
    SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
}

void InputSystem::releaseMouse() {
    if (!mouse) {
        return;
    }
    if (mouseGrabbed) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
    }
    mouseGrabbed = false;
    mouse = false;
    pending.mouse.clear();
}

bool InputSystem::hasFocus() const {
    return focusWindow != nullptr && SDL_GetKeyboardFocus() == focusWindow;
}

void InputSystem::readState() {
    const bool focused = (keyboard || mouse) && hasFocus();
    if (keyboard && focused) {
        int scancodeCount = 0;
        const uint8_t* scancodeState = SDL_GetKeyboardState(&scancodeCount);
        keyStateFromScancodes(scancodeState, scancodeCount, state);
    }
    if (mouse && focused) {
        mouseButtonState(SDL_GetMouseState(nullptr, nullptr), state + MOUSE_BUTTON0);
    }
    int32_t held = 0;
    for (uint8_t entry : state) {
        if (entry != 0) {
            ++held;
        }
    }
    heldCount = held;
}

void InputSystem::poll() {
    const bool focused = hasFocus();
    gatherEvents(focused);
    deliverRecords(focused);
}

void InputSystem::gatherEvents(bool focused) {
    if (focusWindow == nullptr) {
        return;
    }
    const uint32_t ownWindow = SDL_GetWindowID(focusWindow);
    // Window-system, key, text and mouse events in the order they came: each
    // X event comes just before the events SDL made of it.
    SDL_Event batch[64];
    int count = 0;
    while ((count = SDL_PeepEvents(batch, 64, SDL_GETEVENT, SDL_SYSWMEVENT, SDL_MOUSEWHEEL)) > 0) {
        for (int i = 0; i < count; ++i) {
            const SDL_Event& event = batch[i];
            if (event.type == SDL_SYSWMEVENT) {
                eventTimes.noteSystemEvent(event);
                continue;
            }
            const uint32_t time = eventTimes.timeOf(event);
            if (focused && eventWindow(event) == ownWindow) {
                take(event, time);
            }
        }
    }
}

void InputSystem::take(const SDL_Event& event, uint32_t time) {
    const bool mouseEvent = event.type >= SDL_MOUSEMOTION && event.type <= SDL_MOUSEWHEEL;
    if ((isKeyEvent(event) && keyboard) || (mouseEvent && mouse)) {
        pending.add(event, time);
    }
    if (!keyboard || !systemText) {
        return;
    }
    if (event.type == SDL_TEXTINPUT) {
        appendTypedText(event.text.text, std::strlen(event.text.text), pendingText);
    } else if (event.type == SDL_KEYDOWN) {
        // Text input leaves out Enter and Tab; held down, they repeat as text does.
        const SDL_Scancode key = event.key.keysym.scancode;
        if (key == SDL_SCANCODE_RETURN || key == SDL_SCANCODE_KP_ENTER) {
            pendingText += '\n';
        } else if (key == SDL_SCANCODE_TAB) {
            pendingText += '\t';
        }
    }
    pendingTextTimes.resize(pendingText.size(), time);
}

void InputSystem::deliverRecords(bool focused) {
    std::vector<InputEvent>().swap(events);
    deliverKeyboard(focused);
    deliverMouse(focused);
    text.clear();
    textTimes.clear();
    if (focused) {
        text.swap(pendingText);
        textTimes.swap(pendingTextTimes);
    }
}

void InputSystem::deliverKeyboard(bool focused) {
    if (!keyboard) {
        return;
    }
    for (InputRecord& record : keyboardBuffer) {
        record = InputRecord{0, 0, 0};
    }
    if (focused) {
        InputRecordQueue::take(pending.keyboard, keyboardBuffer, INPUT_BUFFER_RECORDS);
    }
    for (const InputRecord& record : keyboardBuffer) {
        if (record.offset == 0) {
            break;
        }
        InputEvent event;
        event.code = static_cast<int32_t>(record.offset);
        event.pressed = pressedBit(record.data);
        event.x = mouseX;
        event.y = mouseY;
        event.time = record.time;
        events.push_back(event);
    }
}

void InputSystem::deliverMouse(bool focused) {
    if (!mouse) {
        return;
    }
    for (InputRecord& record : mouseBuffer) {
        record = InputRecord{NO_MOUSE_RECORD, 0, 0};
    }
    if (focused) {
        InputRecordQueue::take(pending.mouse, mouseBuffer, INPUT_BUFFER_RECORDS);
    }
    MouseFolding folding(mouseX, mouseY, mouseWheel);
    for (const InputRecord& record : mouseBuffer) {
        if (record.offset == NO_MOUSE_RECORD) {
            break;
        }
        folding.fold(record.offset, static_cast<uint32_t>(record.data), record.time, events);
    }
    folding.finish(mouseDeltaX, mouseDeltaY, mouseDeltaWheel);
}

void InputSystem::shutdown() {
    releaseMouse();
    releaseKeyboard();
    focusWindow = nullptr;
}
