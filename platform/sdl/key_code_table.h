// The keyboard's SDL scancodes (USB usage numbers) turned into the key codes
// of InputEvent, which are the DirectInput key numbers of platform/key_codes.h.
#pragma once

#include <cstdint>

// The key code of `scancode`, or 0 for a scancode without one (and for
// anything outside SDL's scancode range).
uint8_t keyCodeFromScancode(int scancode);

// Writes the 256 key state bytes of `keyState` from SDL's keyboard state
// array (`scancodeCount` bytes, nonzero while a key is held): 0x80 for every
// key code whose key is held, 0 for all others.
void keyStateFromScancodes(const uint8_t* scancodeState, int scancodeCount, uint8_t* keyState);

// Writes the four mouse button state bytes from an SDL button mask: left,
// right, middle, first extra button, 0x80 while held.
void mouseButtonState(uint32_t buttonMask, uint8_t* buttonState);
