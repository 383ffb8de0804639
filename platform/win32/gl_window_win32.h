// GlWindow on Win32: a top-level window of class "brenwick" with a
// double-buffered WGL context that stays current on the main thread.
#pragma once

#include "platform/opengl.h"
#include "platform/screen_fit.h"

#include <cstdint>
#include <string>

class GlWindow {
  public:
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    HDC deviceContext = nullptr;
    HGLRC glContext = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits = 0;
    int32_t fullscreen = 0;
    std::string title;
    int32_t created = 0;
    int32_t quit = 0;
    // The player types through the system's text input (set before create):
    // the window is then a Unicode one, whose procedure keeps the characters
    // of WM_CHAR in `receivedText` for InputSystem.
    bool systemText = false;
    static std::wstring receivedText;
    // Set before create, for a window that is not fullscreen. `scale` > 0:
    // the client area `scale` times the windowed one, at the top-left of the
    // primary monitor's work area; SCALE_TO_FIT: the largest scale whose
    // window, frame included, fits there (create puts it in `scale`).
    // `coverDesktop`: instead, a WS_POPUP window over the whole primary
    // monitor at its own resolution, no mode change, without the pointer.
    // Either makes the process DPI-aware, so that sizes are the display's own
    // pixels on a scaled desktop too. With neither (0, false), the window is
    // the one it always was.
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

    // Makes the window and its context; does nothing when already called.
    // On failure `failure` names the call that failed and everything made
    // so far is taken down again.
    void create(int32_t width, int32_t height, int32_t bits, bool fullscreen, const char* title);
    // Takes down the context, the window and the class; nothing without create.
    void destroy();
    // Takes one waiting message of the thread without blocking. WM_QUIT sets
    // `quit`; any other message is translated and dispatched. False when no
    // message was waiting.
    bool handleMessage();
    void swapBuffers();
    // The drawing surface's size in pixels, now.
    void clientSize(int32_t& width, int32_t& height);

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK textWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    bool fail(const char* call);
    RECT fittedWindow(DWORD& style);
    // The outer size a window larger than the desktop may have; 0 when the
    // system's limit stands.
    static POINT largestSize;
    static bool allowLargerWindow(LPARAM minMaxInfo);
};

// "<call> failed: <system message> (error <code>)" for the calling thread's
// last error.
std::string describeLastError(const char* call);
