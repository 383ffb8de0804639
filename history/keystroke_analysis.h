// Where the time goes: what the keystroke timing of the results says about
// keys, pairs of keys, words, confusions and the evenness of the typing,
// gathered attempt by attempt in memory that does not grow with the file.
//
// Conventions (the README's "Where the time goes" tells the player):
// - The interval of a typed character is the time from the press before it
//   to its own press. The first character of an attempt has no time of its
//   own (its interval runs from the start of the attempt), so it counts for
//   accuracy but not for speed, and it begins no pair.
// - A key's time counts only the characters typed right; a pair's time is
//   the interval of its second character, counted when both were typed right.
// - Medians come from histograms of 1 ms bins up to 1999 ms and one bin for
//   2000 ms and more (read as 2000).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "history/history.h"

// Intervals counted in 1 ms bins from 0 to 1999 ms, and one bin for 2000 ms
// and more.
class IntervalHistogram {
  public:
    static constexpr uint32_t LONGEST = 2000;

    void add(uint32_t milliseconds);
    // Adds the counts of `other`.
    void add(const IntervalHistogram& other);
    uint64_t count() const { return total; }
    // The middle interval (of an even count, the mean of the two middle
    // ones), 2000 for those of 2000 ms or more; 0 when empty.
    double median() const;

  private:
    uint32_t valueAt(uint64_t rank) const;

    std::array<uint32_t, LONGEST + 1> bins{};
    uint64_t total = 0;
};

// The lower middle value of everything added so far, kept up to date at each
// addition (values of 2000 and more count as 2000).
class RunningMedian {
  public:
    void add(uint32_t value);
    uint64_t count() const { return total; }
    uint32_t median() const { return middle; }

  private:
    std::vector<uint64_t> bins = std::vector<uint64_t>(IntervalHistogram::LONGEST + 1, 0);
    uint64_t total = 0;
    uint32_t middle = 0;
    // Values in the bins below `middle`.
    uint64_t below = 0;
};

// 100 x (1 - standard deviation / mean) of the intervals after the first,
// held between 0 and 100: 100 for perfectly even typing. Not a number when
// there are fewer than two such intervals.
double consistencyOf(const std::vector<uint32_t>& intervals);
// The same from the count, sum and sum of squares of those intervals.
double consistencyOf(double sum, double squares, double count);

// Words longer than this are not followed (nor queued).
constexpr size_t LONGEST_FOLLOWED_WORD = 32;
// At most this many distinct words are followed: when more come, those seen
// least often are forgotten.
constexpr size_t FOLLOWED_WORD_LIMIT = 8192;
// At most this many words wait in the practice queue: when more come, those
// queued longest ago leave it unpractised.
constexpr size_t QUEUE_LIMIT = 512;
// Pairs of keys given a histogram of their own; any real text has far fewer.
constexpr size_t TIMED_PAIR_LIMIT = 2048;
// A word occurrence is slow when its time per keystroke is more than this
// many times the player's median; it is judged only after this many earlier
// word occurrences have set the median.
constexpr double SLOW_WORD_FACTOR = 1.5;
constexpr uint64_t WORDS_BEFORE_JUDGING = 50;
// A queued word leaves the queue once typed right and not slow this many
// times in a row.
constexpr uint32_t CLEAN_RUN_TO_LEAVE = 3;
// Words that left the queue, kept to be shown.
constexpr size_t LEFT_QUEUE_KEPT = 10;

class KeystrokeAnalysis {
  public:
    struct Key {
        uint64_t asked = 0;
        uint64_t missed = 0;
        // Null before the first timed keystroke.
        IntervalHistogram* histogram = nullptr;
    };
    struct Word {
        uint64_t seen = 0;
        uint64_t mistyped = 0;
        // Occurrences typed right, and their time from the first key's
        // press to the last one's.
        uint64_t clean = 0;
        double cleanMilliseconds = 0;
        // In the practice queue: typed right, and not slow, this many times
        // in a row since it joined, which it last did at word occurrence
        // `since` (counted over the word modes' attempts).
        bool queued = false;
        uint32_t cleanRun = 0;
        uint64_t since = 0;
    };
    struct LeftQueue {
        std::string word;
        std::string time;
    };
    // Counts over a run of consecutive attempts, for the trend of confusions.
    struct Period {
        uint64_t attempts = 0;
        std::array<uint64_t, 256> asked{};
        // (asked << 8 | typed) -> count; empty until the first confusion.
        std::vector<uint32_t> confusions;
    };

    KeystrokeAnalysis();
    // Its keys and pairs point into its own histograms.
    KeystrokeAnalysis(const KeystrokeAnalysis&) = delete;
    KeystrokeAnalysis& operator=(const KeystrokeAnalysis&) = delete;

    // Takes in one attempt; those without timing (or with timing that does
    // not fit the target) are only counted.
    void add(const ResultRecord& record);

    uint64_t timedAttempts = 0;
    uint64_t untimedAttempts = 0;
    uint64_t practiceAttempts = 0;
    double practiceSpeedSum = 0;
    uint64_t otherWordAttempts = 0;
    double otherWordSpeedSum = 0;

    std::array<Key, 256> keys{};
    uint64_t askedTotal = 0;
    uint64_t missedTotal = 0;

    // Indexed by (first << 8 | second).
    std::vector<uint64_t> pairAsked = std::vector<uint64_t>(65536, 0);
    std::vector<uint64_t> pairMissed = std::vector<uint64_t>(65536, 0);
    // Null until the pair is first typed right.
    std::vector<IntervalHistogram*> pairHistogram = std::vector<IntervalHistogram*>(65536, nullptr);

    std::unordered_map<std::string, Word> words;

    // The attempts in order, cut into at most PERIOD_LIMIT periods.
    static constexpr size_t PERIOD_LIMIT = 16;
    std::vector<Period> periods;
    uint64_t periodLength = 1;

    // Consistency of the latest timed attempts, oldest first.
    std::deque<double> consistencies;
    // The latest timed attempt.
    ResultRecord last;

    // The practice queue (its words are marked in `words`), of the word
    // modes' attempts.
    size_t queueSize = 0;
    std::deque<LeftQueue> leftQueue;
    // Time per keystroke of the word occurrences so far.
    RunningMedian wordPace;

    const IntervalHistogram* keyHistogram(unsigned char c) const;
    // Every timed keystroke typed right, after the first of its attempt.
    IntervalHistogram allKeys() const;
    const IntervalHistogram* pairHistogramOf(unsigned pair) const;
    // Confusion (asked << 8 | typed) summed over all periods, and in the
    // periods [from, to).
    uint64_t confusionCount(unsigned pair, size_t from, size_t to) const;
    uint64_t askedCount(unsigned char c, size_t from, size_t to) const;
    // The period where the second half of the attempts begins.
    size_t halfway() const;
    // The queued words, longest queued first.
    std::vector<std::string> queuedWords() const;

  private:
    IntervalHistogram* newHistogram();
    void addWords(const ResultRecord& record, const std::vector<uint8_t>& wrong);
    void judgeWord(Word& stats, const std::string& word, bool mistyped, uint64_t milliseconds,
                   size_t length, const std::string& time);
    void forgetRareWords();
    void trimQueue();
    Period& currentPeriod();

    std::deque<IntervalHistogram> histograms;
    size_t timedPairs = 0;
    uint64_t wordOccurrences = 0;
    std::vector<uint8_t> wrong;
    std::string word;
};
