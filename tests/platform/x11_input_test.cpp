// The window and the devices on a real X server: a private Xvfb, typed at
// with xdotool. Skipped when either program is missing.
#include "platform/gl_window.h"
#include "platform/input_system.h"
#include "tests/platform/graphics_driver_leaks.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

bool onPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// An Xvfb of this test's own on a display it picks itself; DISPLAY names it
// while it runs.
class PrivateXServer {
  public:
    pid_t pid = -1;
    std::string display;

    bool start() {
        int ready[2];
        if (pipe(ready) != 0) {
            return false;
        }
        pid = fork();
        if (pid == 0) {
            close(ready[0]);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
            const std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        if (pid < 0) {
            close(ready[0]);
            return false;
        }
        // Xvfb writes its display number once it accepts connections.
        std::string number;
        pollfd waiting{ready[0], POLLIN, 0};
        char c = 0;
        while (poll(&waiting, 1, 10000) > 0 && read(ready[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(ready[0]);
        if (number.empty()) {
            return false;
        }
        display = ":" + number;
        setenv("DISPLAY", display.c_str(), 1);
        return true;
    }

    void stop() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
};

class X11Input : public ::testing::Test {
  protected:
    PrivateXServer server;
    GlWindow window;
    InputSystem input;
    std::vector<InputEvent> seen;

    void SetUp() override {
        if (!onPath("Xvfb") || !onPath("xdotool")) {
            GTEST_SKIP() << "needs Xvfb and xdotool";
        }
        unsetenv("SDL_VIDEODRIVER");
        unsetenv("WAYLAND_DISPLAY");
        ASSERT_TRUE(server.start());
        window.create(640, 480, 32, false, "Tapquill");
        ASSERT_EQ(window.failure, "");
        keepGraphicsDriversLoaded();
        ASSERT_TRUE(input.init(window.instance, window.window, false));
        // Without a window manager the window takes the focus itself.
        ASSERT_TRUE(runFramesUntil([this] { return input.hasFocus(); }));
        seen.clear();
    }

    void TearDown() override {
        input.shutdown();
        window.destroy();
        server.stop();
    }

    // Frames as the game runs them, window events first, until `done` or a
    // few seconds have passed; the frames' events gather in `seen`.
    template <typename Done> bool runFramesUntil(Done done) {
        for (int pass = 0; pass < 600; ++pass) {
            while (window.handleMessage()) {
            }
            input.readState();
            input.poll();
            seen.insert(seen.end(), input.events.begin(), input.events.end());
            if (done()) {
                return true;
            }
            SDL_Delay(5);
        }
        return false;
    }

    void xdotool(const std::string& arguments) {
        const std::string command = "xdotool " + arguments;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    std::vector<std::pair<int32_t, int>> keyEvents() const {
        std::vector<std::pair<int32_t, int>> keys;
        for (const InputEvent& event : seen) {
            if (event.code < 256) {
                keys.emplace_back(event.code, event.pressed);
            }
        }
        return keys;
    }
};

TEST_F(X11Input, WindowHasDoubleBufferedContextAndClientArea) {
    int doubleBuffer = 0;
    SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer);
    EXPECT_EQ(doubleBuffer, 1);
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window.window, &width, &height);
    EXPECT_EQ(width, 644);
    EXPECT_EQ(height, 504);
}

TEST_F(X11Input, TypedKeysArriveAsOneEventPerTransition) {
    // xdotool lets go of Shift before the letter.
    xdotool("key --delay 20 shift+h i");
    ASSERT_TRUE(runFramesUntil([this] { return keyEvents().size() >= 6; }));
    const std::vector<std::pair<int32_t, int>> expected = {
        {DIK_LSHIFT, 1}, {DIK_H, 1}, {DIK_LSHIFT, 0}, {DIK_H, 0}, {DIK_I, 1}, {DIK_I, 0}};
    EXPECT_EQ(keyEvents(), expected);
}

TEST_F(X11Input, HeldKeyShowsInStateAndDoesNotRepeat) {
    xdotool("keydown Escape");
    ASSERT_TRUE(runFramesUntil([this] { return input.state[DIK_ESCAPE] == 0x80; }));
    EXPECT_GE(input.heldCount, 1);
    // Held past the server's auto-repeat delay.
    SDL_Delay(800);
    xdotool("keyup Escape");
    ASSERT_TRUE(runFramesUntil([this] { return input.state[DIK_ESCAPE] == 0; }));
    int frames = 0;
    runFramesUntil([&frames] { return ++frames == 40; });
    const std::vector<std::pair<int32_t, int>> expected = {{DIK_ESCAPE, 1}, {DIK_ESCAPE, 0}};
    EXPECT_EQ(keyEvents(), expected);
    EXPECT_EQ(input.heldCount, 0);
}

TEST_F(X11Input, MouseMovesAndClicks) {
    xdotool("mousemove 100 100");
    ASSERT_TRUE(runFramesUntil([this] { return !seen.empty(); }));
    xdotool("click 1");
    const auto clicked = [this] {
        int buttons = 0;
        for (const InputEvent& event : seen) {
            buttons += event.code == MOUSE_BUTTON0 ? 1 : 0;
        }
        return buttons == 2;
    };
    ASSERT_TRUE(runFramesUntil(clicked));
    EXPECT_EQ(seen.front().code, MOUSE_MOVE);
    EXPECT_NE(input.mouseX, 0);
    EXPECT_EQ(input.state[MOUSE_BUTTON0], 0);
}

} // namespace
