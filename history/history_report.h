// What `tapquill --history` shows: the last attempts, the personal bests
// (of each mode and language) and the trend, a chart of the speed, and the
// characters mistyped most often; then, over the attempts with keystroke
// timing, where the time goes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "history/history.h"
#include "history/keystroke_analysis.h"

// The most attempts the table lists, however many are asked for.
constexpr size_t HISTORY_TABLE_LIMIT = 100000;

// What the report needs of the results, gathered record by record in memory
// that does not grow with the file: the count, the best speed, the last
// attempts, the characters asked for and mistyped over all of them, and the
// keystroke analysis of those with timing.
class HistorySummary {
  public:
    // One attempt as the table, the trend and the chart show it.
    struct Attempt {
        std::string time;
        AttemptMode mode = AttemptMode::Words;
        int32_t wordCount = 0;
        size_t characters = 0;
        int32_t milliseconds = 0;
        std::string speed;
        std::string errorPercentage;
        // The word list's language (word modes) and the text's file name (text).
        std::string language;
        std::string source;
    };
    // The best finite speed of one mode and language, as recorded, with its
    // attempt's time.
    struct Best {
        AttemptMode mode = AttemptMode::Words;
        std::string language;
        double value = 0;
        std::string speed;
        std::string time;
    };

    // Keeps at least the last `lastKept` attempts (and those the trend and
    // the chart need).
    explicit HistorySummary(size_t lastKept);
    void add(const ResultRecord& record);

    size_t count = 0;
    // The best of each mode and language that has a finite speed: mode
    // first, English before the other languages.
    std::vector<Best> bests;
    // The latest attempts, oldest first.
    std::deque<Attempt> last;
    std::array<uint64_t, 256> asked{};
    std::array<uint64_t, 256> missed{};
    // How often each character (the index's high byte) was typed as another
    // (its low byte).
    std::vector<uint64_t> typedInstead = std::vector<uint64_t>(256 * 256, 0);
    KeystrokeAnalysis keystrokes;

  private:
    size_t kept;
};

// A character as a player reads it: by name for the invisible ones (space,
// tab, ...), in UTF-8 when `utf8` and in \xHH otherwise beyond ASCII.
std::string characterName(char c, bool utf8);
// A pair of characters: "ab", or "e + space" when either is not printable.
std::string pairName(unsigned pair, bool utf8);

// The report of `summary` with the last `count` attempts in the table; the
// chart is drawn with block characters when `utf8`, in ASCII otherwise.
std::string historyReport(const HistorySummary& summary, size_t count, bool utf8);

// Reads the results file at `path` line by line, handing each record to
// `each`; counts the lines that are not records in `damaged`. False, with
// `error` set, when the file is there but cannot be read; a file that is not
// there holds no records.
bool readResults(const std::string& path, const std::function<void(const ResultRecord&)>& each,
                 size_t& damaged, std::string& error);

// Reads the results file at `path` line by line and writes the report to
// `out`; lines that are not records are skipped and counted in one line on
// `errors`. Returns the exit status: 0, or 1 when the file is there but
// cannot be read.
int showHistory(const std::string& path, size_t count, bool utf8, std::ostream& out,
                std::ostream& errors);
