#include "game/random.h"

#include <ctime>

namespace {

RandomGenerator seededAtLoad() {
    RandomGenerator generator(static_cast<uint32_t>(std::time(nullptr)));
    generator.discard(2);
    return generator;
}

// Seeded during static construction, before main runs.
RandomGenerator generatorAtLoad = seededAtLoad();

} // namespace

RandomGenerator& programRandom() {
    return generatorAtLoad;
}
