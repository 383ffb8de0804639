// The millisecond clock of the typing test.
#pragma once

#include <cstdint>

// Milliseconds since the system started, as an unsigned 32-bit count that
// wraps; differences are taken modulo 2^32. On Windows this is timeGetTime.
uint32_t millisecondClock();
