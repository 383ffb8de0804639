#include "game/random.h"

#include <ctime>

namespace {

RandomGenerator seededWith(uint32_t seed) {
    RandomGenerator generator(seed);
    generator.discard(2);
    return generator;
}

// Seeded during static construction, before main runs.
RandomGenerator generatorAtLoad = seededWith(static_cast<uint32_t>(std::time(nullptr)));

} // namespace

RandomGenerator& programRandom() {
    return generatorAtLoad;
}

void seedProgramRandom(uint32_t seed) {
    generatorAtLoad = seededWith(seed);
}
