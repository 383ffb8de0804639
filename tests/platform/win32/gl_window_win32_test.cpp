// Window procedure, message loop step and clock, without opening a window.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/gl_window.h"

#include <mmsystem.h>

#include <string>

namespace {

// Takes every message left in the thread's queue.
void drainQueue() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(GlWindowProcedure, CloseAsksTheLoopToQuitWithoutDestroying) {
    drainQueue();
    GlWindow window;
    EXPECT_EQ(GlWindow::windowProc(nullptr, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(window.quit, 0);

    EXPECT_TRUE(window.handleMessage());
    EXPECT_EQ(window.quit, 1);
    EXPECT_FALSE(window.handleMessage());
}

TEST(GlWindowProcedure, ScreenSaverRequestIsSwallowed) {
    EXPECT_EQ(GlWindow::windowProc(nullptr, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
}

TEST(GlWindowMessages, OtherMessagesAreTakenWithoutQuitting) {
    drainQueue();
    GlWindow window;
    EXPECT_FALSE(window.handleMessage());
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 0, 0));
    EXPECT_TRUE(window.handleMessage());
    EXPECT_TRUE(window.handleMessage());
    EXPECT_EQ(window.quit, 0);
    EXPECT_FALSE(window.handleMessage());
}

TEST(GlWindowLifecycle, DestroyWithoutCreateDoesNothing) {
    GlWindow window;
    window.destroy();
    EXPECT_EQ(window.created, 0);
    EXPECT_EQ(window.window, nullptr);
    EXPECT_EQ(window.instance, nullptr);
    EXPECT_TRUE(window.failure.empty());
}

TEST(GlWindowFailure, DescriptionNamesTheCallAndTheSystemMessage) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    const std::string text = describeLastError("wglCreateContext");
    EXPECT_EQ(text.rfind("wglCreateContext failed: ", 0), 0u) << text;
    EXPECT_NE(text.find("(error 2)"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), std::string::npos) << text;
    EXPECT_EQ(text.find('\r'), std::string::npos) << text;
    // More than the bare frame around an empty message.
    EXPECT_GT(text.size(), std::string("wglCreateContext failed:  (error 2)").size()) << text;

    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(describeLastError("CreateWindowExA"), "CreateWindowExA failed (no error code given)");
}

TEST(MillisecondClock, IsTheMultimediaTimer) {
    const uint32_t before = timeGetTime();
    const uint32_t now = millisecondClock();
    const uint32_t after = timeGetTime();
    EXPECT_LE(now - before, after - before);

    Sleep(30);
    EXPECT_GE(millisecondClock() - now, 20u);
}

} // namespace
