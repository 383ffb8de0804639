// The typing test's one record, and the steps that run it.
#pragma once

#include <cstdint>
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
};

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
    CompletedAttempt completed;
};

// A millisecond clock: an unsigned 32-bit count, differences modulo 2^32.
using MillisecondClock = uint32_t (*)();
