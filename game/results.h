// The result lines: the speed in words per minute and the error message.
#pragma once

#include "game/game_state.h"
#include "game/scoring.h"

class BitmapFont;

inline constexpr const char SPEED_SUFFIX[] = " wpm";
inline constexpr const char ERROR_PREFIX[] = "\ntoo bad that you got it wrong though!!\n\t";
inline constexpr const char ERROR_SUFFIX[] = "% error";

// Draws the result lines from the row at height 22 down.
void resultsStep(GameState& game, BitmapFont& font);
