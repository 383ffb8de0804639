#include "platform/gl_window.h"
#include "platform/input_system.h"
#include "platform/opengl.h"
#include "tests/platform/graphics_driver_leaks.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Every test opens its windows on SDL's offscreen driver (Mesa through EGL),
// which needs no display, unless it sets up its own environment.
class GlWindowTest : public ::testing::Test {
  protected:
    GlWindow window;

    void SetUp() override { setenv("SDL_VIDEODRIVER", "offscreen", 1); }

    void TearDown() override {
        window.destroy();
        SDL_Quit();
        unsetenv("SDL_VIDEODRIVER");
    }

    void open() {
        window.create(640, 480, 32, false, "Tapquill");
        ASSERT_EQ(window.failure, "");
        ASSERT_NE(window.window, nullptr);
        keepGraphicsDriversLoaded();
    }

    // Takes the events the window's start left queued.
    void drainWindowEvents() {
        for (int i = 0; i < 1000 && window.handleMessage(); ++i) {
        }
        ASSERT_FALSE(window.handleMessage());
    }

    int queued(Uint32 first, Uint32 last) {
        return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, first, last);
    }
};

TEST_F(GlWindowTest, OpensClientAreaWithCurrentDoubleBufferedContext) {
    open();
    EXPECT_EQ(window.deviceContext, window.window);
    EXPECT_EQ(window.instance, nullptr);
    EXPECT_EQ(window.created, 1);
    EXPECT_EQ(window.width, 640);
    EXPECT_EQ(window.height, 480);
    EXPECT_EQ(window.bits, 32);
    EXPECT_EQ(window.fullscreen, 0);
    EXPECT_EQ(window.title, "Tapquill");
    EXPECT_STREQ(SDL_GetWindowTitle(window.window), "Tapquill");

    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window.window, &width, &height);
    EXPECT_EQ(width, 644);
    EXPECT_EQ(height, 504);
    int x = -1;
    int y = -1;
    SDL_GetWindowPosition(window.window, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    const Uint32 flags = SDL_GetWindowFlags(window.window);
    EXPECT_EQ(flags & SDL_WINDOW_RESIZABLE, 0u);
    EXPECT_NE(flags & SDL_WINDOW_SHOWN, 0u);

    ASSERT_NE(window.glContext, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), window.glContext);
    EXPECT_NE(glGetString(GL_VERSION), nullptr);
    GLint colour[4] = {};
    glGetIntegerv(GL_RED_BITS, &colour[0]);
    glGetIntegerv(GL_GREEN_BITS, &colour[1]);
    glGetIntegerv(GL_BLUE_BITS, &colour[2]);
    glGetIntegerv(GL_ALPHA_BITS, &colour[3]);
    for (GLint bits : colour) {
        EXPECT_EQ(bits, 8);
    }
    GLint depth = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GT(depth, 0);
    // No viewport is set: the default one covers the whole client area.
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 644);
    EXPECT_EQ(viewport[3], 504);
    window.swapBuffers();

    window.destroy();
    EXPECT_EQ(window.window, nullptr);
    EXPECT_EQ(window.deviceContext, nullptr);
    EXPECT_EQ(window.glContext, nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

TEST_F(GlWindowTest, SecondCreateDoesNothing) {
    open();
    SDL_Window* first = window.window;
    SDL_GLContext context = window.glContext;
    window.create(320, 200, 16, true, "Other");
    EXPECT_EQ(window.window, first);
    EXPECT_EQ(window.glContext, context);
    EXPECT_EQ(window.width, 640);
    EXPECT_EQ(window.fullscreen, 0);
    EXPECT_EQ(window.title, "Tapquill");
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window.window, &width, &height);
    EXPECT_EQ(width, 644);
}

TEST_F(GlWindowTest, DestroyWithoutCreateDoesNothing) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
    window.destroy();
    EXPECT_EQ(window.created, 0);
    // SDL was left running.
    EXPECT_NE(SDL_WasInit(SDL_INIT_EVENTS), 0u);
}

TEST_F(GlWindowTest, WithoutDisplayCreateFailsInsteadOfRunningUnseen) {
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    window.create(640, 480, 32, false, "Tapquill");
    EXPECT_EQ(window.failure, "no display available (neither DISPLAY nor WAYLAND_DISPLAY is set)");
    EXPECT_EQ(window.window, nullptr);
    EXPECT_EQ(window.deviceContext, nullptr);
    EXPECT_EQ(window.glContext, nullptr);
    EXPECT_EQ(window.quit, 0);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    window.destroy();
    EXPECT_EQ(window.window, nullptr);
}

TEST_F(GlWindowTest, UnreachableDisplayIsNamedInTheFailure) {
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("WAYLAND_DISPLAY");
    setenv("DISPLAY", ":59999", 1);
    window.create(640, 480, 32, false, "Tapquill");
    unsetenv("DISPLAY");
    EXPECT_NE(window.failure.find("DISPLAY=:59999"), std::string::npos) << window.failure;
    EXPECT_EQ(window.window, nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

TEST_F(GlWindowTest, DriverWithoutOpenGlFailsAndHoldsNothing) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    window.create(640, 480, 32, false, "Tapquill");
    EXPECT_NE(window.failure.find("OpenGL"), std::string::npos) << window.failure;
    EXPECT_EQ(window.window, nullptr);
    EXPECT_EQ(window.glContext, nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
}

// The offscreen display takes any size at its own depth.
TEST_F(GlWindowTest, FullscreenModeSizesTheClientAreaAndHidesTheCursor) {
    window.create(640, 480, 32, true, "Tapquill");
    ASSERT_EQ(window.failure, "");
    keepGraphicsDriversLoaded();
    EXPECT_EQ(window.fullscreen, 1);
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window.window, &width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_NE(SDL_GetWindowFlags(window.window) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

TEST_F(GlWindowTest, RefusedFullscreenModeGivesWindowedWindow) {
    // No 16-bit mode exists: a window with the windowed allowance instead.
    window.create(640, 480, 16, true, "Tapquill");
    ASSERT_EQ(window.failure, "");
    keepGraphicsDriversLoaded();
    EXPECT_EQ(window.fullscreen, 0);
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window.window, &width, &height);
    EXPECT_EQ(width, 644);
    EXPECT_EQ(height, 504);
    EXPECT_EQ(SDL_GetWindowFlags(window.window) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
}

TEST_F(GlWindowTest, QuitRequestSetsQuitAndLeavesKeyAndMouseEventsQueued) {
    open();
    drainWindowEvents();

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    key.key.windowID = SDL_GetWindowID(window.window);
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.xrel = 2;
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    SDL_Event editing{};
    editing.type = SDL_TEXTEDITING;
    SDL_Event user{};
    user.type = SDL_USEREVENT;
    for (SDL_Event* event : {&key, &move, &text, &editing, &user}) {
        ASSERT_EQ(SDL_PushEvent(event), 1);
    }

    // No window event waits: a frame would be drawn, and input stays queued.
    EXPECT_FALSE(window.handleMessage());
    EXPECT_EQ(window.quit, 0);
    EXPECT_EQ(queued(SDL_KEYDOWN, SDL_KEYUP), 1);
    EXPECT_EQ(queued(SDL_TEXTINPUT, SDL_TEXTINPUT), 1);
    EXPECT_EQ(queued(SDL_MOUSEMOTION, SDL_MOUSEWHEEL), 1);
    // What nobody reads is thrown away.
    EXPECT_EQ(queued(SDL_TEXTEDITING, SDL_TEXTEDITING), 0);
    EXPECT_EQ(queued(SDL_USEREVENT, SDL_LASTEVENT), 0);

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_TRUE(window.handleMessage());
    EXPECT_EQ(window.quit, 1);
    EXPECT_EQ(queued(SDL_KEYDOWN, SDL_KEYUP), 1);
    EXPECT_EQ(queued(SDL_MOUSEMOTION, SDL_MOUSEWHEEL), 1);
}

TEST_F(GlWindowTest, CloseRequestOfOwnWindowSetsQuitOneEventAPass) {
    open();
    drainWindowEvents();

    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(window.window) + 100;
    SDL_Event exposed{};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    exposed.window.windowID = SDL_GetWindowID(window.window);
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    ASSERT_EQ(SDL_PushEvent(&exposed), 1);
    // Another window's close request and other window events are taken
    // one a pass and leave quit alone.
    EXPECT_TRUE(window.handleMessage());
    EXPECT_TRUE(window.handleMessage());
    EXPECT_FALSE(window.handleMessage());
    EXPECT_EQ(window.quit, 0);

    close.window.windowID = SDL_GetWindowID(window.window);
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    EXPECT_TRUE(window.handleMessage());
    EXPECT_EQ(window.quit, 1);
}

TEST_F(GlWindowTest, ScreenSaverIsHeldOffOnlyWhileTheWindowHasTheFocus) {
    open();
    drainWindowEvents();
    // The offscreen window never had the focus.
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());

    const auto focusEvent = [this](Uint8 change, Uint32 windowID) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = change;
        event.window.windowID = windowID;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
        EXPECT_TRUE(window.handleMessage());
    };
    const Uint32 own = SDL_GetWindowID(window.window);
    focusEvent(SDL_WINDOWEVENT_FOCUS_GAINED, own);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    focusEvent(SDL_WINDOWEVENT_FOCUS_LOST, own + 100); // another window's
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
    focusEvent(SDL_WINDOWEVENT_FOCUS_LOST, own);
    EXPECT_TRUE(SDL_IsScreenSaverEnabled());
    focusEvent(SDL_WINDOWEVENT_FOCUS_GAINED, own);
    EXPECT_FALSE(SDL_IsScreenSaverEnabled());
}

// The offscreen driver never gives a window the input focus, so the devices
// behave as they do while the window is in the background.
TEST_F(GlWindowTest, InputOnUnfocusedWindowTakesNothingAndBuffersNothing) {
    open();
    InputSystem input;
    ASSERT_TRUE(input.init(window.instance, window.window, false));
    EXPECT_TRUE(input.keyboard);
    EXPECT_TRUE(input.mouse);
    EXPECT_FALSE(input.hasFocus());

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_A;
    key.key.windowID = SDL_GetWindowID(window.window);
    ASSERT_EQ(SDL_PushEvent(&key), 1);
    input.state[DIK_A] = 0x80;
    input.readState();
    input.poll();
    EXPECT_TRUE(input.events.empty());
    EXPECT_TRUE(input.pending.keyboard.empty());
    EXPECT_EQ(queued(SDL_KEYDOWN, SDL_KEYUP), 0);
    // A failed read keeps the previous state.
    EXPECT_EQ(input.state[DIK_A], 0x80);
    EXPECT_EQ(input.heldCount, 1);

    // Focused, only this window's events are kept.
    SDL_Event other = key;
    other.key.windowID = key.key.windowID + 100;
    ASSERT_EQ(SDL_PushEvent(&key), 1);
    ASSERT_EQ(SDL_PushEvent(&other), 1);
    input.gatherEvents(true);
    EXPECT_EQ(input.pending.keyboard.size(), 1u);

    input.shutdown();
    EXPECT_FALSE(input.keyboard);
    EXPECT_FALSE(input.mouse);
    EXPECT_EQ(input.focusWindow, nullptr);
}

} // namespace
