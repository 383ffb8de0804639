#include "platform/clock.h"

#include <gtest/gtest.h>

#include <time.h>

namespace {

uint32_t monotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

// The clock counts milliseconds of the monotonic clock, truncated to 32 bits.
TEST(MillisecondClock, FollowsTheMonotonicClockInMilliseconds) {
    const uint32_t before = monotonicMilliseconds();
    const uint32_t clock = millisecondClock();
    const uint32_t after = monotonicMilliseconds();
    EXPECT_LE(static_cast<uint32_t>(clock - before), static_cast<uint32_t>(after - before));

    const timespec pause{0, 30 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    const uint32_t later = millisecondClock();
    EXPECT_GE(static_cast<uint32_t>(later - clock), 30u);
}

} // namespace
