// GlWindow on SDL2: one window whose whole client area is drawn by a
// double-buffered OpenGL compatibility context, current on the main thread.
#pragma once

#include <SDL_video.h>

#include <cstdint>
#include <string>

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

  private:
    void holdOffScreenSaver(bool active);
    bool startVideo();
    bool makeWindowAndContext();
    void applyFullscreen(const SDL_DisplayMode& mode);
    void releaseAll();
};
