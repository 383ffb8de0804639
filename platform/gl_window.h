// GlWindow: the program's one window with its double-buffered OpenGL
// context. One class name, one implementation per platform, chosen at
// build time. Both offer:
//
//   fields   instance, window, deviceContext, glContext (platform handles)
//            width, height, bits, fullscreen, title, created, quit
//            failure: why the window or context could not be made, "" when fine
//            scale, coverDesktop: set before create for a larger window, or
//              one over the whole desktop (see screen_fit.h)
//            desktopWidth, desktopHeight, largerThanDesktop: what create found
//   create(width, height, bits, fullscreen, title)
//   destroy()
//   handleMessage() -> bool   takes one waiting window message without
//                              blocking; sets quit when it is the quit message;
//                              true when a message was taken (no frame then)
//   swapBuffers()
//   clientSize(width, height)  the drawing surface's size in pixels, now
#pragma once

#ifdef _WIN32
#include "platform/win32/gl_window_win32.h"
#else
#include "platform/sdl/gl_window_sdl.h"
#endif
