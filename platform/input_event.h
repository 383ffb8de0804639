// One transition of a key or mouse control, and the input code space.
#pragma once

#include <cstdint>

// Codes 1..255 are keyboard keys (DIK_ values, see platform/key_codes.h).
enum InputCode : int32_t {
    MOUSE_BUTTON0 = 256,
    MOUSE_BUTTON1 = 257,
    MOUSE_BUTTON2 = 258,
    MOUSE_BUTTON3 = 259,
    MOUSE_WHEEL = 272,
    MOUSE_MOVE = 288,
    INPUT_CODE_COUNT = 289,
};

struct InputEvent {
    int32_t code = 0;
    uint8_t pressed = 0;
    int32_t x = 0;
    int32_t y = 0;
    // When the transition happened, in milliseconds of the platform's event
    // clock (see InputSystem): differences are taken modulo 2^32.
    uint32_t time = 0;
};
