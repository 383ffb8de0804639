// GlWindow on Win32: a top-level window of class "brenwick" with a
// double-buffered WGL context that stays current on the main thread.
#pragma once

#include "platform/opengl.h"
#include "platform/screen_fit.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// When keys went down, from the window's key-down messages, for the keyboard
// device's records of them. Windows stamps a message and a record alike with
// the moment the key was pressed; wine stamps a message with the X server's
// time of the key, but a record with the moment it read the key from the
// server, which is a frame later, or when the frame loop was held up, later
// still. A record takes its message's time, and keeps its own stamp when
// there is no message for it.
class KeyPressTimes {
  public:
    // A key-down message (not a repeat) of key `code` (a DirectInput key code),
    // sent at `time`.
    void noteMessage(uint32_t code, DWORD time);
    // Whether a message of key `code` waits for its record.
    bool waiting(uint32_t code) const;
    // The time of a key-down record of key `code` stamped `stamp`: that of the
    // oldest waiting message of that key (the waiting messages before it are
    // of keys the device did not report, and go), or `stamp` when none waits.
    DWORD recordTime(uint32_t code, DWORD stamp);
    void clear();

  private:
    struct Press {
        uint32_t code;
        DWORD time;
    };
    std::deque<Press> pressed;
    // Keys whose records came before their messages: those messages go.
    std::deque<uint32_t> owed;
};

// The DirectInput key code of the key of a key message's lParam: its scan
// code, plus 0x80 for an extended key.
uint32_t keyCodeOfMessage(LPARAM lParam);

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
    // of WM_CHAR in `receivedText` for InputSystem, and in `receivedTimes`
    // when the key that typed each went down: the time of the latest
    // key-down message, since wine gives WM_CHAR the moment it was translated.
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
    static std::vector<DWORD> receivedTimes;
    // The key-down messages taken, for InputSystem's key records.
    static KeyPressTimes keyPresses;
    // The time of the latest key-down message (repeats included), and
    // whether there was one.
    static DWORD keyDownTime;
    static bool keyDownSeen;
    // The window takes Unicode messages (systemText as create found it).
    static bool unicodeMessages;
    // Why the window or its context could not be made; empty when they were.
    std::string failure;

    // Makes the window and its context; does nothing when already called.
    // On failure `failure` names the call that failed and everything made
    // so far is taken down again.
    void create(int32_t width, int32_t height, int32_t bits, bool fullscreen, const char* title);
    // Takes down the context, the window and the class; nothing without create.
    void destroy();
    // Takes one waiting message of the thread without blocking. WM_QUIT sets
    // `quit`; any other message is translated and dispatched, a key-down
    // message noted first. False when no message was waiting.
    bool handleMessage();
    // Takes the key messages (WM_KEYFIRST to WM_KEYLAST) waiting in the
    // thread's queue, one after another as handleMessage would: for a key the
    // keyboard device has reported before its message was taken (wine reads
    // keys from the X server while the device is read, too).
    static void takeKeyMessages();
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
    // Notes a key-down message, then translates and dispatches it.
    static void dispatch(bool unicode, MSG& message);
};

// "<call> failed: <system message> (error <code>)" for the calling thread's
// last error.
std::string describeLastError(const char* call);
