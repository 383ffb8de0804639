#include "game/scoring.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr uint64_t MILLISECONDS_PER_MINUTE = 60000;
constexpr float PER_WORD = 1.0f / 6.0f;
constexpr float PERCENT = 100.0f;

} // namespace

float typingSpeed(size_t targetLength, uint32_t startTime, uint32_t endTime) {
    // 64 bits: the product of a long target's length and 60000 does not wrap.
    const uint64_t product = static_cast<uint64_t>(targetLength) * MILLISECONDS_PER_MINUTE;
    const int32_t elapsed = static_cast<int32_t>(endTime - startTime);
    return static_cast<float>(static_cast<double>(product) * static_cast<double>(PER_WORD) /
                              static_cast<double>(elapsed));
}

float typingSpeed(const GameState& game) {
    return typingSpeed(game.targetText.size(), game.startTime, game.endTime);
}

int32_t mismatchCount(const std::string& typedText, const std::string& targetText) {
    int32_t count = 0;
    for (size_t i = 0; i < typedText.size() && i < targetText.size(); ++i)
        count += typedText[i] != targetText[i];
    return count;
}

int32_t mismatchCount(const GameState& game) {
    return mismatchCount(game.typedText, game.targetText);
}

float errorPercentage(int32_t mismatches, size_t targetLength) {
    return static_cast<float>(static_cast<double>(mismatches) * static_cast<double>(PERCENT) /
                              static_cast<double>(targetLength));
}

float errorPercentage(const GameState& game, int32_t mismatches) {
    return errorPercentage(mismatches, game.targetText.size());
}

std::string formatFloat(float value) {
    const double wide = value;
    // The C library's own texts for these differ between platforms; these
    // are glibc's, sign of a not-a-number included.
    if (std::isnan(wide))
        return std::signbit(wide) ? "-nan" : "nan";
    if (std::isinf(wide))
        return wide < 0 ? "-inf" : "inf";
    char buffer[64];
    int length = std::snprintf(buffer, sizeof buffer, "%f", wide);
    if (length >= 0 && static_cast<size_t>(length) < sizeof buffer)
        return std::string(buffer, static_cast<size_t>(length));
    // The largest floats have 39 integer digits.
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(&text[0], text.size(), "%f", wide);
    text.resize(static_cast<size_t>(length));
    return text;
}
