#include "platform/win32/gl_window_win32.h"

#include "platform/win32/wide_text.h"

#include <cstddef>

namespace {

// Key-down messages kept for records still to come, and records whose
// messages are still to come: both far more than anyone types in a frame.
const size_t KEY_PRESSES_KEPT = 4096;
const size_t KEY_PRESSES_OWED = 16;

const char WINDOW_CLASS_NAME[] = "brenwick";
const wchar_t WIDE_WINDOW_CLASS_NAME[] = L"brenwick";

// Extra client space around the requested drawing size of a windowed window.
const LONG WINDOWED_EXTRA_WIDTH = 4;
const LONG WINDOWED_EXTRA_HEIGHT = 24;

PIXELFORMATDESCRIPTOR pixelFormatRequest(int32_t bits) {
    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(bits);
    descriptor.cDepthBits = static_cast<BYTE>(bits);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    return descriptor;
}

// The window class "brenwick", as WNDCLASSA or, for Unicode messages, WNDCLASSW.
template <class WindowClass, class Char>
WindowClass windowClassOf(HINSTANCE instance, WNDPROC procedure, const Char* name) {
    WindowClass windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    return windowClass;
}

DEVMODEA displayModeRequest(int32_t width, int32_t height, int32_t bits) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof(DEVMODEA);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    return mode;
}

// A function of user32 that older systems lack, or null.
template <class Function> Function user32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    const FARPROC function = user32 ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

// Declares the process DPI-aware, so that the system neither shrinks the
// desktop it reports nor stretches the window: per monitor where Windows 10
// (1703 on) offers it, else system-wide (Vista on), else not at all.
void becomeDpiAware() {
    typedef BOOL(WINAPI * SetContext)(HANDLE);
    typedef BOOL(WINAPI * SetAware)();
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    const HANDLE perMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
    const SetContext setContext = user32Function<SetContext>("SetProcessDpiAwarenessContext");
    if (setContext && setContext(perMonitor)) {
        return;
    }
    const SetAware setAware = user32Function<SetAware>("SetProcessDPIAware");
    if (setAware) {
        setAware();
    }
}

// The primary monitor's whole area and its work area (without the taskbar).
void primaryMonitor(RECT& whole, RECT& work) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    const POINT origin = {0, 0};
    if (GetMonitorInfoA(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info)) {
        whole = info.rcMonitor;
        work = info.rcWork;
        return;
    }
    whole = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        work = whole;
    }
}

} // namespace

std::string describeLastError(const char* call) {
    const DWORD code = GetLastError();
    if (code == ERROR_SUCCESS) {
        // Some failures (no display driver under wine, for one) set no code.
        return std::string(call) + " failed (no error code given)";
    }
    std::string message = systemMessage(code);
    if (message.empty()) {
        message = "unknown error";
    }
    return std::string(call) + " failed: " + message + " (error " + std::to_string(code) + ")";
}

bool GlWindow::fail(const char* call) {
    failure = describeLastError(call);
    destroy();
    // The display mode is already restored; a later destroy has nothing left to undo.
    fullscreen = 0;
    return false;
}

void GlWindow::create(int32_t width, int32_t height, int32_t bits, bool fullscreen,
                      const char* title) {
    if (created) {
        return;
    }
    this->width = width;
    this->height = height;
    this->bits = bits;
    this->fullscreen = fullscreen ? 1 : 0;
    this->title = title ? title : "";
    created = 1;

    instance = GetModuleHandleA(nullptr);
    if (this->fullscreen) {
        scale = 0;
        coverDesktop = false;
    }
    if (scale != 0 || coverDesktop) {
        becomeDpiAware();
    }
    unicodeMessages = systemText;

    if (systemText) {
        // The same class as a Unicode one, so that WM_CHAR brings any character.
        const WNDCLASSW windowClass =
            windowClassOf<WNDCLASSW>(instance, textWindowProc, WIDE_WINDOW_CLASS_NAME);
        RegisterClassW(&windowClass);
    } else {
        const WNDCLASSA windowClass =
            windowClassOf<WNDCLASSA>(instance, windowProc, WINDOW_CLASS_NAME);
        RegisterClassA(&windowClass);
    }

    if (this->fullscreen) {
        DEVMODEA mode = displayModeRequest(width, height, bits);
        if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            this->fullscreen = 0;
        }
    }

    DWORD style = this->fullscreen ? WS_POPUP : WS_BORDER | WS_SYSMENU;
    const DWORD extendedStyle = WS_EX_APPWINDOW;
    RECT rectangle = {0, 0, width, height};
    if (!this->fullscreen) {
        rectangle.right += WINDOWED_EXTRA_WIDTH;
        rectangle.bottom += WINDOWED_EXTRA_HEIGHT;
    }
    AdjustWindowRectEx(&rectangle, style, FALSE, extendedStyle);
    int x = 0;
    int y = 0;
    if (scale != 0 || coverDesktop) {
        rectangle = fittedWindow(style);
        x = rectangle.left;
        y = rectangle.top;
    }

    if (systemText) {
        const std::wstring wideTitle(this->title.begin(), this->title.end());
        window =
            CreateWindowExW(extendedStyle, WIDE_WINDOW_CLASS_NAME, wideTitle.c_str(), style, x, y,
                            rectangle.right - rectangle.left, rectangle.bottom - rectangle.top,
                            nullptr, nullptr, instance, nullptr);
    } else {
        window = CreateWindowExA(extendedStyle, WINDOW_CLASS_NAME, this->title.c_str(), style, x, y,
                                 rectangle.right - rectangle.left, rectangle.bottom - rectangle.top,
                                 nullptr, nullptr, instance, nullptr);
    }
    if (!window) {
        fail("CreateWindowExA");
        return;
    }

    if (scale > 0) {
        // Windows gives the window a caption of its own making: the client
        // area is brought to the size asked for, whatever the frame took.
        RECT client = {};
        GetClientRect(window, &client);
        const LONG wantedWidth = scale * (width + WINDOWED_EXTRA_WIDTH);
        const LONG wantedHeight = scale * (height + WINDOWED_EXTRA_HEIGHT);
        if (client.right != wantedWidth || client.bottom != wantedHeight) {
            SetWindowPos(window, nullptr, 0, 0,
                         rectangle.right - rectangle.left + wantedWidth - client.right,
                         rectangle.bottom - rectangle.top + wantedHeight - client.bottom,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }

    const PIXELFORMATDESCRIPTOR descriptor = pixelFormatRequest(bits);
    deviceContext = GetDC(window);
    if (!deviceContext) {
        fail("GetDC");
        return;
    }
    const int pixelFormat = ChoosePixelFormat(deviceContext, &descriptor);
    if (pixelFormat == 0) {
        fail("ChoosePixelFormat");
        return;
    }
    if (!SetPixelFormat(deviceContext, pixelFormat, &descriptor)) {
        fail("SetPixelFormat");
        return;
    }

    glContext = wglCreateContext(deviceContext);
    if (!glContext) {
        fail("wglCreateContext");
        return;
    }
    if (!wglMakeCurrent(deviceContext, glContext)) {
        fail("wglMakeCurrent");
        return;
    }

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    ShowCursor(this->fullscreen || coverDesktop ? FALSE : TRUE);
}

RECT GlWindow::fittedWindow(DWORD& style) {
    RECT whole = {};
    RECT work = {};
    primaryMonitor(whole, work);
    if (coverDesktop) {
        scale = 0;
        style = WS_POPUP;
        desktopWidth = whole.right - whole.left;
        desktopHeight = whole.bottom - whole.top;
        return whole;
    }
    if (scale != SCALE_TO_FIT) {
        scale = scale < 1 ? 1 : scale > LARGEST_SCALE ? LARGEST_SCALE : scale;
    }
    desktopWidth = work.right - work.left;
    desktopHeight = work.bottom - work.top;
    // Every overlapped window gets a caption: the frame is measured with it.
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style | WS_CAPTION, FALSE, WS_EX_APPWINDOW);
    const LONG frameWidth = frame.right - frame.left;
    const LONG frameHeight = frame.bottom - frame.top;
    const LONG clientWidth = width + WINDOWED_EXTRA_WIDTH;
    const LONG clientHeight = height + WINDOWED_EXTRA_HEIGHT;
    if (scale == SCALE_TO_FIT) {
        scale = largestFittingScale(clientWidth, clientHeight, frameWidth, frameHeight,
                                    desktopWidth, desktopHeight);
    }
    largerThanDesktop = !windowFits(scale, clientWidth, clientHeight, frameWidth, frameHeight,
                                    desktopWidth, desktopHeight);
    const RECT outer = {work.left, work.top, work.left + scale * clientWidth + frameWidth,
                        work.top + scale * clientHeight + frameHeight};
    // The system keeps windows within about the screen's size unless told.
    if (largerThanDesktop) {
        largestSize = {outer.right - outer.left + 2 * frameWidth,
                       outer.bottom - outer.top + 2 * frameHeight};
    }
    return outer;
}

POINT GlWindow::largestSize = {0, 0};

bool GlWindow::allowLargerWindow(LPARAM minMaxInfo) {
    if (largestSize.x <= 0) {
        return false;
    }
    MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(minMaxInfo);
    if (info->ptMaxTrackSize.x < largestSize.x) {
        info->ptMaxTrackSize.x = largestSize.x;
    }
    if (info->ptMaxTrackSize.y < largestSize.y) {
        info->ptMaxTrackSize.y = largestSize.y;
    }
    return true;
}

void GlWindow::clientSize(int32_t& width, int32_t& height) {
    RECT client = {};
    if (window) {
        GetClientRect(window, &client);
    }
    width = client.right - client.left;
    height = client.bottom - client.top;
}

void GlWindow::destroy() {
    if (!created) {
        return;
    }
    if (fullscreen) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    } else if (coverDesktop) {
        ShowCursor(TRUE);
    }
    if (glContext) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(glContext);
        glContext = nullptr;
    }
    if (deviceContext) {
        ReleaseDC(window, deviceContext);
        deviceContext = nullptr;
    }
    if (window) {
        DestroyWindow(window);
        window = nullptr;
    }
    if (systemText) {
        UnregisterClassW(WIDE_WINDOW_CLASS_NAME, instance);
    } else {
        UnregisterClassA(WINDOW_CLASS_NAME, instance);
    }
}

uint32_t keyCodeOfMessage(LPARAM lParam) {
    const uint32_t scanCode = static_cast<uint32_t>((lParam >> 16) & 0xFF);
    return (lParam & (LPARAM(1) << 24)) != 0 ? scanCode | 0x80 : scanCode;
}

void KeyPressTimes::noteMessage(uint32_t code, DWORD time) {
    if (!owed.empty()) {
        const bool late = owed.front() == code;
        if (late) {
            owed.pop_front();
            return;
        }
        // Not the message that was owed: it will not come.
        owed.clear();
    }
    if (pressed.size() >= KEY_PRESSES_KEPT) {
        pressed.pop_front();
    }
    pressed.push_back({code, time});
}

bool KeyPressTimes::waiting(uint32_t code) const {
    for (const Press& press : pressed) {
        if (press.code == code) {
            return true;
        }
    }
    return false;
}

DWORD KeyPressTimes::recordTime(uint32_t code, DWORD stamp) {
    for (size_t i = 0; i < pressed.size(); ++i) {
        if (pressed[i].code == code) {
            const DWORD time = pressed[i].time;
            pressed.erase(pressed.begin(), pressed.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return time;
        }
    }
    if (owed.size() < KEY_PRESSES_OWED) {
        owed.push_back(code);
    }
    return stamp;
}

void KeyPressTimes::clear() {
    pressed.clear();
    owed.clear();
}

namespace {

// Takes the thread's oldest waiting message with a number from `first` to
// `last` (0 and 0 for any), as Unicode or not.
bool takeMessage(bool unicode, UINT first, UINT last, MSG& message) {
    return unicode ? PeekMessageW(&message, nullptr, first, last, PM_REMOVE) != 0
                   : PeekMessageA(&message, nullptr, first, last, PM_REMOVE) != 0;
}

} // namespace

void GlWindow::dispatch(bool unicode, MSG& message) {
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        keyDownTime = message.time;
        keyDownSeen = true;
        // lParam bit 30: the key was down already, and this is a repeat.
        if ((message.lParam & (LPARAM(1) << 30)) == 0) {
            keyPresses.noteMessage(keyCodeOfMessage(message.lParam), message.time);
        }
    }
    TranslateMessage(&message);
    if (unicode) {
        DispatchMessageW(&message);
    } else {
        DispatchMessageA(&message);
    }
}

bool GlWindow::handleMessage() {
    MSG message;
    if (!takeMessage(systemText, 0, 0, message)) {
        return false;
    }
    if (message.message == WM_QUIT) {
        quit = 1;
        return true;
    }
    dispatch(systemText, message);
    return true;
}

void GlWindow::takeKeyMessages() {
    MSG message;
    while (takeMessage(unicodeMessages, WM_KEYFIRST, WM_KEYLAST, message)) {
        dispatch(unicodeMessages, message);
    }
}

void GlWindow::swapBuffers() {
    SwapBuffers(deviceContext);
}

std::wstring GlWindow::receivedText;
std::vector<DWORD> GlWindow::receivedTimes;
KeyPressTimes GlWindow::keyPresses;
DWORD GlWindow::keyDownTime = 0;
bool GlWindow::keyDownSeen = false;
bool GlWindow::unicodeMessages = false;

LRESULT CALLBACK GlWindow::textWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE) {
            return 0;
        }
        break;
    case WM_GETMINMAXINFO:
        if (allowLargerWindow(lParam)) {
            return 0;
        }
        break;
    case WM_CHAR:
        // One UTF-16 unit: a character beyond it comes as two, a surrogate pair.
        receivedText += static_cast<wchar_t>(wParam);
        receivedTimes.push_back(keyDownSeen ? keyDownTime : static_cast<DWORD>(GetMessageTime()));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK GlWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_SYSCOMMAND && wParam == SC_SCREENSAVE) {
        return 0;
    }
    if (message == WM_GETMINMAXINFO && allowLargerWindow(lParam)) {
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
