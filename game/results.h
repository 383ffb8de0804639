// The result lines: the speed in words per minute and the error message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "game/game_state.h"

class BitmapFont;
class ResultsHistory;

inline constexpr const char SPEED_SUFFIX[] = " wpm";
inline constexpr const char ERROR_PREFIX[] = "\ntoo bad that you got it wrong though!!\n\t";
inline constexpr const char ERROR_SUFFIX[] = "% error";

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

// Draws the result lines from the row at height 22 down; an attempt whose
// completion was noticed in this frame goes to the results history.
void resultsStep(GameState& game, BitmapFont& font, ResultsHistory& history);
