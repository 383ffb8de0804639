#include "platform/sdl/gl_window_sdl.h"

#include <SDL.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// Largest side a window may ask for; keeps the size arithmetic in range.
const int32_t LARGEST_SIDE = 16384;

bool sameName(const char* a, size_t aLength, const char* b) {
    if (std::strlen(b) != aLength) {
        return false;
    }
    for (size_t i = 0; i < aLength; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Whether the SDL_VIDEODRIVER environment variable (a comma-separated list)
// names `driver`.
bool driverRequested(const char* driver) {
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    if (requested == nullptr) {
        return false;
    }
    const char* start = requested;
    while (true) {
        const char* end = std::strchr(start, ',');
        const size_t length =
            end != nullptr ? static_cast<size_t>(end - start) : std::strlen(start);
        if (sameName(start, length, driver)) {
            return true;
        }
        if (end == nullptr) {
            return false;
        }
        start = end + 1;
    }
}

// SDL's drivers that show nothing on any screen.
bool invisibleDriver(const char* driver) {
    return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
           std::strcmp(driver, "evdev") == 0;
}

bool environmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// SDL's drivers that can show a window here, in SDL's order of preference.
// Wayland is left out when no compositor is named: probing it then only
// prints a complaint about the runtime directory.
std::string visibleDrivers() {
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* driver = SDL_GetVideoDriver(i);
        if (driver == nullptr || invisibleDriver(driver)) {
            continue;
        }
        if (std::strcmp(driver, "wayland") == 0 && !environmentSet("WAYLAND_DISPLAY")) {
            continue;
        }
        if (!drivers.empty()) {
            drivers += ',';
        }
        drivers += driver;
    }
    return drivers;
}

std::string noDisplayCause() {
    if (!environmentSet("DISPLAY") && !environmentSet("WAYLAND_DISPLAY")) {
        return "no display available (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    }
    std::string cause = "no display available (cannot connect to";
    if (environmentSet("DISPLAY")) {
        cause += std::string(" DISPLAY=") + std::getenv("DISPLAY");
    }
    if (environmentSet("WAYLAND_DISPLAY")) {
        cause += std::string(" WAYLAND_DISPLAY=") + std::getenv("WAYLAND_DISPLAY");
    }
    return cause + ")";
}

void setContextAttributes(int32_t colourBits, int depthBits) {
    SDL_GL_ResetAttributes();
    int red = 8;
    int green = 8;
    int blue = 8;
    int alpha = 8;
    if (colourBits < 32) {
        alpha = 0;
    }
    if (colourBits <= 16) {
        red = 5;
        green = 6;
        blue = 5;
    }
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, red);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, green);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, blue);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alpha);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// The display mode of exactly width x height at `bits` per pixel on the first
// display, if there is one.
bool findDisplayMode(int32_t width, int32_t height, int32_t bits, SDL_DisplayMode* mode) {
    SDL_DisplayMode wanted{};
    wanted.w = width;
    wanted.h = height;
    if (SDL_GetClosestDisplayMode(0, &wanted, mode) == nullptr) {
        return false;
    }
    const int32_t modeBits = static_cast<int32_t>(SDL_BITSPERPIXEL(mode->format));
    const int32_t storedBits = static_cast<int32_t>(SDL_BYTESPERPIXEL(mode->format)) * 8;
    return mode->w == width && mode->h == height && (modeBits == bits || storedBits == bits);
}

// The size of the client area that create asks for: fullscreen the display
// mode's, windowed with an allowance of 4 by 24 pixels.
struct ClientSize {
    int32_t width;
    int32_t height;
};

ClientSize clientSizeFor(int32_t width, int32_t height, bool fullscreen) {
    if (fullscreen) {
        return {width, height};
    }
    return {width + 4, height + 24};
}

} // namespace

void GlWindow::create(int32_t width, int32_t height, int32_t bits, bool fullscreen,
                      const char* title) {
    if (created) {
        return;
    }
    this->width = width;
    this->height = height;
    this->bits = bits;
    this->fullscreen = fullscreen ? 1 : 0;
    this->title = title != nullptr ? title : "";
    created = 1;
    instance = nullptr;
    failure.clear();

    if (width <= 0 || height <= 0 || width > LARGEST_SIDE || height > LARGEST_SIDE) {
        failure = "window size " + std::to_string(width) + "x" + std::to_string(height) +
                  " is out of range";
        return;
    }
    if (this->fullscreen) {
        scale = 0;
        coverDesktop = false;
    }
    if (!startVideo()) {
        releaseAll();
        return;
    }
    if (scale != 0 || coverDesktop) {
        fitToDesktop();
    }
    if (!makeWindowAndContext()) {
        releaseAll();
        return;
    }
    SDL_GL_MakeCurrent(window, glContext);
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    SDL_ShowCursor(this->fullscreen || coverDesktop ? SDL_DISABLE : SDL_ENABLE);
    // The screen saver is held off only while the window has the focus:
    // SDL starts with it held off, and the focus events move it from here on.
    holdOffScreenSaver(SDL_GetKeyboardFocus() == window);
}

void GlWindow::holdOffScreenSaver(bool active) {
    if (active) {
        SDL_DisableScreenSaver();
    } else {
        SDL_EnableScreenSaver();
    }
}

void GlWindow::fitToDesktop() {
    if (coverDesktop) {
        // Made at the display's size as well, for want of a window manager
        // that would make it fullscreen.
        scale = 0;
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(0, &bounds) == 0) {
            left = bounds.x;
            top = bounds.y;
            desktopWidth = bounds.w;
            desktopHeight = bounds.h;
        }
        return;
    }
    if (scale != SCALE_TO_FIT) {
        scale = scale < 1 ? 1 : scale > LARGEST_SCALE ? LARGEST_SCALE : scale;
    }
    // The usable area leaves out panels and docks. SDL tells the window
    // manager's frame only once the window is shown, so the client area alone
    // is fitted into it.
    SDL_Rect area{};
    if (SDL_GetDisplayUsableBounds(0, &area) != 0 || area.w <= 0 || area.h <= 0) {
        scale = scale == SCALE_TO_FIT ? 1 : scale;
        return;
    }
    left = area.x;
    top = area.y;
    desktopWidth = area.w;
    desktopHeight = area.h;
    const ClientSize base = clientSizeFor(width, height, false);
    if (scale == SCALE_TO_FIT) {
        scale = largestFittingScale(base.width, base.height, 0, 0, area.w, area.h);
    }
    largerThanDesktop = !windowFits(scale, base.width, base.height, 0, 0, area.w, area.h);
}

bool GlWindow::startVideo() {
    // Unless the user picked SDL's drivers, only those that show something are
    // tried: without a display SDL would otherwise settle on one that does not,
    // and the window would run unseen.
    const bool userChoice = environmentSet("SDL_VIDEODRIVER");
    if (!userChoice) {
        const std::string drivers = visibleDrivers();
        if (drivers.empty()) {
            failure = noDisplayCause();
            return false;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        failure = userChoice ? std::string("cannot start SDL video: ") + SDL_GetError()
                             : noDisplayCause();
        return false;
    }
    videoStarted = true;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && invisibleDriver(driver) && !driverRequested(driver)) {
        failure = noDisplayCause();
        return false;
    }
    return true;
}

bool GlWindow::makeWindowAndContext() {
    SDL_DisplayMode mode{};
    if (fullscreen && !findDisplayMode(width, height, bits, &mode)) {
        fullscreen = 0;
    }
    // The requested depth buffer first, then ever smaller ones.
    const int depths[] = {bits, 24, 16, 0};
    std::string lastError = "no depth buffer size was tried";
    for (size_t i = 0; i < sizeof depths / sizeof depths[0]; ++i) {
        const int depth = depths[i];
        if (depth < 0 || (i > 0 && depth >= bits)) {
            continue;
        }
        ClientSize size = clientSizeFor(width, height, fullscreen != 0);
        setContextAttributes(bits, depth);
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        if (fullscreen) {
            flags |= SDL_WINDOW_FULLSCREEN;
        } else if (coverDesktop) {
            flags |=
                SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI;
            size = desktopWidth > 0 ? ClientSize{desktopWidth, desktopHeight} : size;
        } else if (scale > 0) {
            flags |= SDL_WINDOW_ALLOW_HIGHDPI;
            size = {size.width * scale, size.height * scale};
        }
        window = SDL_CreateWindow(this->title.c_str(), left, top, size.width, size.height, flags);
        if (window == nullptr) {
            lastError = SDL_GetError();
            continue;
        }
        if (fullscreen) {
            applyFullscreen(mode);
        }
        glContext = SDL_GL_CreateContext(window);
        if (glContext != nullptr) {
            deviceContext = window;
            return true;
        }
        lastError = SDL_GetError();
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    failure = "cannot make an OpenGL window: " + lastError;
    return false;
}

void GlWindow::applyFullscreen(const SDL_DisplayMode& mode) {
    if (SDL_SetWindowDisplayMode(window, &mode) == 0) {
        return;
    }
    // The mode was refused: carry on in a window with the windowed allowance.
    fullscreen = 0;
    SDL_SetWindowFullscreen(window, 0);
    const ClientSize size = clientSizeFor(width, height, false);
    SDL_SetWindowSize(window, size.width, size.height);
    SDL_SetWindowPosition(window, 0, 0);
}

void GlWindow::destroy() {
    if (!created) {
        return;
    }
    if ((fullscreen || coverDesktop) && window != nullptr) {
        SDL_SetWindowFullscreen(window, 0);
        SDL_ShowCursor(SDL_ENABLE);
    }
    releaseAll();
}

void GlWindow::releaseAll() {
    if (glContext != nullptr) {
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    deviceContext = nullptr;
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    if (videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        videoStarted = false;
    }
}

bool GlWindow::handleMessage() {
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0) {
        return false;
    }
    SDL_PumpEvents();
    // Nobody reads these; flushing them keeps SDL's queue short. Key, text
    // and mouse events are left for InputSystem.
    SDL_FlushEvents(SDL_TEXTEDITING, SDL_TEXTEDITING);
    SDL_FlushEvents(SDL_TEXTINPUT + 1, SDL_MOUSEMOTION - 1);
    SDL_FlushEvents(SDL_MOUSEWHEEL + 1, SDL_LASTEVENT);

    // Window-system events (SDL_SYSWMEVENT) time the keystrokes: InputSystem
    // takes them with the key events.
    SDL_Event event;
    if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_QUIT, SDL_WINDOWEVENT) <= 0) {
        return false;
    }
    if (event.type == SDL_QUIT) {
        quit = 1;
        return true;
    }
    if (event.type != SDL_WINDOWEVENT || window == nullptr ||
        event.window.windowID != SDL_GetWindowID(window)) {
        return true;
    }
    switch (event.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        quit = 1;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        holdOffScreenSaver(true);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        holdOffScreenSaver(false);
        break;
    default:
        break;
    }
    return true;
}

void GlWindow::swapBuffers() {
    if (deviceContext != nullptr) {
        SDL_GL_SwapWindow(deviceContext);
    }
}

void GlWindow::clientSize(int32_t& width, int32_t& height) {
    int drawableWidth = 0;
    int drawableHeight = 0;
    if (window != nullptr) {
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    }
    width = drawableWidth;
    height = drawableHeight;
}
