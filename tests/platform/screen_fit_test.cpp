#include "platform/screen_fit.h"

#include <gtest/gtest.h>

namespace {

TEST(ScreenFit, LetterboxCentresTheLargest4By3Rectangle) {
    struct Case {
        int32_t width, height;
        ScreenRect expected;
    } cases[] = {
        {3840, 2160, {480, 0, 2880, 2160}}, // bars left and right
        {1280, 1024, {0, 32, 1280, 960}},   // bars above and below
        {640, 480, {0, 0, 640, 480}},       // no bars
        {1025, 768, {0, 0, 1024, 768}},     // the odd pixel goes to the right
        {1366, 768, {171, 0, 1024, 768}},   // sides that do not divide evenly
        {3, 1, {1, 0, 1, 1}},               // rounded down, never beyond the area
        {0, 2160, {0, 0, 0, 0}},            // nothing to draw on
        {2147483647, 2147483647, {0, 268435456, 2147483647, 1610612735}},
    };
    for (const Case& c : cases) {
        const ScreenRect got = letterbox(c.width, c.height, 40, 30);
        EXPECT_EQ(got.x, c.expected.x) << c.width << "x" << c.height;
        EXPECT_EQ(got.y, c.expected.y) << c.width << "x" << c.height;
        EXPECT_EQ(got.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(got.height, c.expected.height) << c.width << "x" << c.height;
    }
}

TEST(ScreenFit, LargestScaleWhoseWindowFitsWithItsFrame) {
    struct Case {
        int32_t frameWidth, frameHeight, areaWidth, areaHeight, expected;
    } cases[] = {
        {0, 0, 1920, 1080, 2},
        {0, 0, 3840, 2160, 4},
        {2, 30, 1920, 1038, 2}, // exactly fits, frame included
        {2, 31, 1920, 1038, 1}, // one pixel short
        {0, 0, 800, 600, 1},    // nothing fits: the smallest
        {0, 0, 100000, 100000, LARGEST_SCALE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            largestFittingScale(644, 504, c.frameWidth, c.frameHeight, c.areaWidth, c.areaHeight),
            c.expected)
            << c.areaWidth << "x" << c.areaHeight << " with a frame of " << c.frameWidth << "x"
            << c.frameHeight;
    }
}

} // namespace
