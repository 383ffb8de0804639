// The typing test's one record, and the steps that run it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Entries that target texts are made from: words, or verses.
using WordList = std::vector<std::string>;

// The texts of the idle screen: the prompt on the target line, the byline
// under it.
inline constexpr const char IDLE_TARGET_TEXT[] = "       press escape to start";
inline constexpr const char IDLE_TYPED_TEXT[] = "by Brenwick Tallowmere";

// An attempt whose completion was noticed, kept until the program has taken
// it (Escape may already have started the next): what the results history
// records of it.
struct CompletedAttempt {
    bool pending = false;
    bool verseMode = false;
    int32_t wordCount = 0;
    std::string targetText;
    std::string typedText;
    uint32_t startTime = 0;
    uint32_t endTime = 0;
    // When each typed character's key went down (see GameState::keyTimes).
    std::vector<uint32_t> keyTimes;
};

class RandomGenerator;
struct GameState;

// Makes the next target text into game.targetText, for target texts that are
// not drawn from the word list as the question asked (practice, the
// player's own text); it may draw from `random`.
using TargetMaker = std::function<void(GameState& game, RandomGenerator& random)>;

struct GameState {
    int32_t wordCount = 0;
    bool verseMode = false;
    WordList words;
    std::string targetText = IDLE_TARGET_TEXT;
    std::string typedText = IDLE_TYPED_TEXT;
    bool finished = true;
    uint32_t startTime = 0;
    uint32_t endTime = 0;
    float scrollOffset = 0.0f;
    // For each character typed in the running attempt, when its key went
    // down, in milliseconds of the attempt's clock: the first one at the time
    // of the frame that took it in, each later one that plus the time
    // between the two presses as the platform stamped them. Cleared when an
    // attempt starts; the idle screen's byline has none.
    std::vector<uint32_t> keyTimes;
    // What the attempt's clock reads when the platform's stamps read 0.
    uint32_t stampOffset = 0;
    CompletedAttempt completed;
    // When set, makes each new target text instead of buildTargetText.
    TargetMaker makeTarget;
};

// A millisecond clock: an unsigned 32-bit count, differences modulo 2^32.
using MillisecondClock = uint32_t (*)();
