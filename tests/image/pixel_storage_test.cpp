#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "image/pixel_storage.h"

namespace {

constexpr size_t MIB_FLOATS = (size_t(1) << 20) / sizeof(float);

// A released large array comes back only for a request it can hold without
// leaving more than half of it idle.
TEST(PixelStorage, ReusesALargeArrayOnlyForARequestItFits) {
    float* first = allocatePixels(8 * MIB_FLOATS);
    releasePixels(first);
    float* again = allocatePixels(6 * MIB_FLOATS);
    EXPECT_EQ(again, first);
    // The whole request is writable (AddressSanitizer checks the bounds).
    std::memset(again, 0, 6 * MIB_FLOATS * sizeof(float));
    releasePixels(again);

    float* bigger = allocatePixels(9 * MIB_FLOATS);
    EXPECT_NE(bigger, first);
    std::memset(bigger, 0, 9 * MIB_FLOATS * sizeof(float));
    releasePixels(bigger);

    float* muchSmaller = allocatePixels(4 * MIB_FLOATS);
    EXPECT_NE(muchSmaller, bigger);
    std::memset(muchSmaller, 0, 4 * MIB_FLOATS * sizeof(float));
    releasePixels(muchSmaller);
}

TEST(PixelStorage, LargeArraysStartOnA2MiBBoundaryAndSmallOnA64ByteOne) {
    float* large = allocatePixels(4 * MIB_FLOATS);
    float* small = allocatePixels(3);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(large) % (uintptr_t(2) << 20), 0u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(small) % 64, 0u);
    releasePixels(small);
    releasePixels(large);
    releasePixels(nullptr);
}

// Threads allocating and releasing at once never get the same array.
TEST(PixelStorage, ThreadsNeverShareAnArray) {
    constexpr int ROUNDS = 200;
    auto work = [](float mark, bool* intact) {
        for (int i = 0; i < ROUNDS; ++i) {
            float* pixels = allocatePixels(4 * MIB_FLOATS + size_t(i % 3) * 1024);
            pixels[0] = mark;
            pixels[MIB_FLOATS - 1] = mark;
            std::this_thread::yield();
            if (pixels[0] != mark || pixels[MIB_FLOATS - 1] != mark) {
                *intact = false;
            }
            releasePixels(pixels);
        }
    };
    bool intact[2] = {true, true};
    std::thread a(work, 1.0f, &intact[0]);
    std::thread b(work, 2.0f, &intact[1]);
    a.join();
    b.join();
    EXPECT_TRUE(intact[0]);
    EXPECT_TRUE(intact[1]);
}

} // namespace
