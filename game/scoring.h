// The speed and error formulas of the result lines, and the number text the
// window shows; the results history keeps the same texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "game/game_state.h"

// Characters per minute over six, from the target's length and the time
// between startTime and endTime (read as a signed number of milliseconds).
float typingSpeed(size_t targetLength, uint32_t startTime, uint32_t endTime);
float typingSpeed(const GameState& game);
// Typed characters that differ from the target character above them.
int32_t mismatchCount(const std::string& typedText, const std::string& targetText);
int32_t mismatchCount(const GameState& game);
// Mismatches as a percentage of the target's length.
float errorPercentage(int32_t mismatches, size_t targetLength);
float errorPercentage(const GameState& game, int32_t mismatches);

// The value in "%f" form; "inf", "-inf", "nan" and "-nan" for the values that have no digits.
std::string formatFloat(float value);
