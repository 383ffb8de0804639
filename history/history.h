// The results history: every finished attempt is one line of a CSV file that
// the player keeps (RFC 4180, ASCII, CR LF line ends, a header line first).
//
//   time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,mistyped
//   2026-12-07T18:23:06+01:00,words,10,59,1,12345,47.813042,1.694915,"ab cd","c>x"
//
// time is the local date and time with its offset from UTC; words the count
// asked for (empty for verses); wpm and error_percent the texts the window
// shows; target the text to type and mistyped each mistyped character of it
// as target>typed, separated by spaces. The two texts are quoted; in them
// every byte outside printable ASCII, and '%', is written %XX (two hex
// digits), a '"' is doubled, and a first character that a spreadsheet would
// take for a formula (= + - @) is written %XX too, so that every byte value
// comes back as it was.
#pragma once

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "game/game_state.h"

extern const char RESULTS_HEADER[];

// One finished attempt as the file keeps it.
struct ResultRecord {
    std::string time;
    bool verseMode = false;
    int32_t wordCount = 0;
    std::string targetText;
    int32_t mismatches = 0;
    int32_t milliseconds = 0;
    std::string speed;
    std::string errorPercentage;
    // (target character, typed character) at each mismatch, in order.
    std::vector<std::pair<char, char>> mistyped;
};

// A completed attempt, finished at `now`.
ResultRecord resultRecord(const CompletedAttempt& attempt, std::time_t now);

// The local date and time of `now` in ISO 8601 with the offset from UTC:
// "2026-12-07T18:23:06+01:00".
std::string localTimeText(std::time_t now);

// One line of the file, CR LF included.
std::string formatRecord(const ResultRecord& record);
// Reads one line (without or with its line end); false when it is not a
// whole, consistent record.
bool parseRecord(const std::string& line, ResultRecord& record);

// Whether a line of the file is meant to be a record: not a header line (of
// this file, or of another joined to it) and not empty.
bool isResultLine(const std::string& line);

// The records of a whole file's text, in order; returns the number of
// lines that are not records (the header and empty lines aside).
size_t parseRecords(const std::string& text, std::vector<ResultRecord>& records);

// Appends finished attempts to the player's results file. A file that cannot
// be written gets one warning, the first time; the game plays on.
class ResultsHistory {
  public:
    explicit ResultsHistory(std::ostream& warnings) : warnings(warnings) {}

    // Results go to the file at `path` from now on ("" when no place for the
    // file could be found); until then nothing is kept.
    void keepIn(std::string path);
    void record(const ResultRecord& result);

  private:
    std::ostream& warnings;
    bool keeping = false;
    std::string path;
    bool warned = false;
};
