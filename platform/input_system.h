// InputSystem: the keyboard and the mouse, read once a frame into the key
// state array and the frame's list of InputEvent records. One class name,
// one implementation per platform, chosen at build time. Both offer:
//
//   events, mouseX, mouseY, mouseWheel, mouseDeltaX, mouseDeltaY,
//   mouseDeltaWheel, state[INPUT_CODE_COUNT], heldCount
//   init(instance, window, exclusive) -> bool   (GlWindow's instance, window)
//   createKeyboard(window, exclusive) -> bool, createMouse(window, exclusive) -> bool
//   releaseKeyboard(), readState(), poll(), shutdown()
#pragma once

#include "platform/input_event.h"
#include "platform/key_codes.h"

#ifdef _WIN32
#include "platform/win32/input_system_win32.h"
#else
#include "platform/sdl/input_system_sdl.h"
#endif
