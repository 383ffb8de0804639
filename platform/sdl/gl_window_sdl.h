// GlWindow on SDL2: one window whose whole client area is drawn by a
// double-buffered OpenGL compatibility context, current on the main thread.
#pragma once

#include <SDL_video.h>

#include <cstdint>
#include <string>

#include "platform/screen_fit.h"

class GlWindow {
  public:
    void* instance = nullptr; // no module handle on this platform
    SDL_Window* window = nullptr;
    SDL_Window* deviceContext = nullptr; // what swapBuffers presents: the window
    SDL_GLContext glContext = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 0;
    int32_t fullscreen = 0;
    std::string title;
    int32_t created = 0;
    int32_t quit = 0;
    // The player types through the system's text input (set before create);
    // SDL needs nothing of the window for it.
    bool systemText = false;
    // Set before create, for a window that is not fullscreen. `scale` > 0:
    // the client area `scale` times the windowed one, at the top-left of the
    // usable desktop area; SCALE_TO_FIT: the largest scale whose window fits
    // there (create puts it in `scale`). `coverDesktop`: instead, a window
    // over the whole display at its own resolution, no mode change, without
    // the pointer. The drawable is then in the display's own pixels, also on
    // a desktop that SDL scales. With neither (0, false), the window is the
    // one it always was.
    int32_t scale = 0;
    bool coverDesktop = false;
    // After create: the desktop area measured (the usable one for a scale,
    // the whole display for coverDesktop; 0 when unknown), and whether a
    // scaled window is larger than it.
    int32_t desktopWidth = 0;
    int32_t desktopHeight = 0;
    bool largerThanDesktop = false;
    // Why the window or its context could not be made; empty when they were.
    std::string failure;
    // SDL's video is running (from a successful start in create to destroy).
    bool videoStarted = false;

    // Makes the window and its context; does nothing when already called.
    // Windowed, the client area is width + 4 by height + 24 at the top-left
    // corner. The depth buffer asks for `bits`, then 24, 16 and 0 bits. On
    // failure `failure` says why and nothing is left held.
    void create(int32_t width, int32_t height, int32_t bits, bool fullscreen, const char* title);
    // Restores the display mode, deletes the context, destroys the window and
    // stops SDL; nothing without create.
    void destroy();
    // Takes at most one waiting window-level event without blocking: the quit
    // request (or the close request of the window) sets `quit`; the window
    // gaining or losing the focus holds off or lets go the screen saver. Key
    // and mouse events, and the window system's own events that time them,
    // stay queued for InputSystem. True when an event was taken.
    bool handleMessage();
    void swapBuffers();
    // The drawing surface's size in pixels, now.
    void clientSize(int32_t& width, int32_t& height);

  private:
    void holdOffScreenSaver(bool active);
    void fitToDesktop();
    bool startVideo();
    bool makeWindowAndContext();
    void applyFullscreen(const SDL_DisplayMode& mode);
    void releaseAll();

    // Where a scaled or desktop-covering window goes.
    int32_t left = 0;
    int32_t top = 0;
};
