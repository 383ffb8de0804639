// The typing attempt: keystrokes in, the two text lines out, completion
// noticed and timed, and Escape starting the next attempt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/random.h"
#include "platform/input_event.h"

class BitmapFont;

// What the attempt step reads of the input devices in one frame: the key
// state array (indexed by input code) and the frame's events; and, when the
// characters come from the system's text input, the frame's typed text
// (null when key events are translated by the US key labels) with the time
// stamp of each of its bytes.
struct FrameInput {
    const uint8_t* state;
    const std::vector<InputEvent>& events;
    const std::string* text = nullptr;
    const std::vector<uint32_t>* textTimes = nullptr;
};

// Screen rows of the two lines, and the colours of their characters.
constexpr float TARGET_LINE_Y = 18.0f;
constexpr float TYPED_LINE_Y = 17.0f;
constexpr float SCROLL_RATE = 0.002f;

// One frame of the attempt. Returns true when the frame ends here (an
// attempt is running), false when the result lines follow.
bool attemptStep(GameState& game, FrameInput input, BitmapFont& font, RandomGenerator& random,
                 MillisecondClock clock);

// Takes in this frame's keystrokes, eases the scroll and draws both lines.
// The clock is read when the running attempt's first character comes in.
void updateTypingLines(GameState& game, FrameInput input, BitmapFont& font, MillisecondClock clock);

// Hands out the attempt completed since the last call, once: false when
// there is none.
bool takeCompletedAttempt(GameState& game, CompletedAttempt& attempt);
