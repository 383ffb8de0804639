// What `tapquill --practice` draws: words of the list weighted toward what
// the player's history shows they need, with the words they stumbled on
// mixed back in until they have typed them well three times in a row.
//
// The weighting (the README's "Practice" tells the player):
// - a key asked at least 20 times has a need: how many times slower than the
//   player's median keystroke its median is, less one, plus how many times
//   more often than their average it is mistyped, less one (each part
//   between 0 and 8);
// - so has a pair of neighbouring keys typed right at least 10 times (the
//   time of its second key; mistyped when its second key was);
// - a word scores 1, plus the need of each of its characters and of each
//   pair of neighbours in it, plus 4 for each of the three most frequent
//   confusions (asked r, typed t) whose two characters it both holds (at
//   most 64 in all); its weight is the square of its score, and words are
//   drawn in proportion to their weight;
// - about one word in four comes from the queue instead, drawn by the same
//   weights (each queued word at most once a target).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/game_state.h"
#include "game/random.h"
#include "history/history.h"
#include "history/keystroke_analysis.h"

// Timed word attempts in the list's language before practice judges.
constexpr uint64_t PRACTICE_ATTEMPTS_NEEDED = 10;

class PracticePlan {
  public:
    // For the word list of `language` (such as "en").
    explicit PracticePlan(std::string language);

    // Takes in one finished attempt; only timed attempts of the word modes
    // in the plan's language count.
    void add(const ResultRecord& record);
    // Whether the history holds enough to judge what the player needs.
    bool ready() const;
    // Timed word attempts in the plan's language so far.
    uint64_t attempts() const { return keystrokes.timedAttempts; }

    // Replaces `target` with `count` words joined by single spaces: weighted
    // draws from `words`, and queued words. Each word takes one number of
    // `random` to choose between the queue and the list, and each weighted
    // draw two more (a 30-bit number).
    void drawTarget(const WordList& words, int32_t count, RandomGenerator& random,
                    std::string& target);

    // The weight of a word, as drawTarget draws by it.
    double weightOf(const std::string& word);
    // The words in the queue, longest queued first.
    const std::vector<std::string>& queuedWords();

    // One line for the console: what practice aims at, or why it cannot yet.
    std::string describe();

    const KeystrokeAnalysis& analysis() const { return keystrokes; }

  private:
    void weigh();
    void weighList(const WordList& words);

    std::string language;
    KeystrokeAnalysis keystrokes;
    // Set when an attempt came in since the needs were worked out.
    bool stale = true;
    std::array<double, 256> keyNeed{};
    std::vector<double> pairNeed = std::vector<double>(65536, 0.0);
    std::vector<std::pair<unsigned char, unsigned char>> confusions;
    std::vector<std::string> queued;
    // Running sums of the weights (in sixteenths) of the list they were
    // made for, and of the queue.
    const WordList* weighed = nullptr;
    size_t weighedSize = 0;
    std::vector<uint64_t> listWeights;
    std::vector<uint64_t> queueWeights;
};

// Reads the results file at `path` (a file that is not there holds nothing)
// into `plan`. False, with `error` set, when it is there but cannot be read.
bool loadPracticePlan(const std::string& path, PracticePlan& plan, std::string& error);
