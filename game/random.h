// The 15-bit linear congruential generator that chooses words and verses.
#pragma once

#include <cstdint>

class RandomGenerator {
  public:
    uint32_t state = 0;

    explicit RandomGenerator(uint32_t seed) : state(seed) {}

    // Advances the state and yields bits 16 to 30 of it: 0 to 32767.
    uint32_t draw() {
        state = state * 214013u + 2531011u;
        return (state >> 16) & 32767u;
    }

    void discard(int count) {
        for (int i = 0; i < count; ++i)
            draw();
    }
};

// The program's generator: seeded with the calendar time in whole seconds
// during static construction, then two numbers drawn and discarded.
RandomGenerator& programRandom();
// Seeds the program's generator with `seed` instead, and discards two
// numbers as at load: the same seed gives the same draws.
void seedProgramRandom(uint32_t seed);
