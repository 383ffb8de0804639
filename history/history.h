// The results history: every finished attempt is one line of a CSV file that
// the player keeps (RFC 4180, ASCII, CR LF line ends, a header line first).
//
//   time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,mistyped,
//   language,source,keystrokes
//   2026-12-07T18:23:06+01:00,words,2,5,1,1234,40.518639,20.000000,"ab cd","c>x",en,"",
//   LyGyHx*GeOp
//
// time is the local date and time with its offset from UTC; mode words,
// verses, practice or text; words the count asked for (empty for verses and
// text); wpm and error_percent the texts the window shows; target the text to
// type and mistyped each mistyped character of it as target>typed, separated
// by spaces; language the word list's language code (words and practice);
// source the text file's name (text); keystrokes the timing of every typed
// character (see encodeKeystrokes). The three texts are quoted; in them every
// byte outside printable ASCII, and '%', is written %XX (two hex digits), a
// '"' is doubled, and a first character that a spreadsheet would take for a
// formula (= + - @) is written %XX too, so that every byte value comes back
// as it was.
//
// Files written by 1.0.0 have only the first ten columns (and their header);
// their records read all the same, without language, source or timing. The
// first record added to such a file upgrades it (see ResultsHistory).
#pragma once

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "game/game_state.h"

extern const char RESULTS_HEADER[];
// The header of the files that 1.0.0 wrote.
extern const char RESULTS_HEADER_1_0[];

// What an attempt typed: a row of words from a word list (asked for on the
// console, or drawn for practice), a verse, or a piece of the player's text.
enum class AttemptMode { Words, Verses, Practice, Text };

// The mode's name in the file: "words", "verses", "practice" or "text".
const char* modeName(AttemptMode mode);

// Whether the mode's targets are words of a word list (words, practice).
inline bool wordMode(AttemptMode mode) {
    return mode == AttemptMode::Words || mode == AttemptMode::Practice;
}

// One finished attempt as the file keeps it.
struct ResultRecord {
    std::string time;
    AttemptMode mode = AttemptMode::Words;
    // Words asked for, in the word modes; 0 otherwise.
    int32_t wordCount = 0;
    std::string targetText;
    int32_t mismatches = 0;
    int32_t milliseconds = 0;
    std::string speed;
    std::string errorPercentage;
    // (target character, typed character) at each mismatch, in order.
    std::vector<std::pair<char, char>> mistyped;
    // The word list's language code in the word modes ("en" for records of
    // 1.0.0, which had no other); empty otherwise.
    std::string language;
    // The name of the text file typed from, in text mode; empty otherwise.
    std::string source;
    // Keystroke timing, empty when the record has none (written by 1.0.0, or
    // its field is damaged): for each typed character, the milliseconds from
    // the press of the one before it (for the first, from the start of the
    // attempt) to its own press.
    std::vector<uint32_t> intervals;
    // With the timing: the positions of the mistyped characters, one for each
    // entry of `mistyped`, in order.
    std::vector<uint32_t> mistypedAt;

    bool timed() const { return !intervals.empty(); }
};

// The keystrokes field: for each typed character, a '*' when it was
// mistyped, then its interval in base 26, most significant digit first: every
// digit but the last an upper-case letter (A = 0 ... Z = 25), the last one a
// lower-case letter. 0 is "a", 25 "z", 26 "Ba", 120 "Eq": two letters for
// every interval from 26 ms to 675 ms. Letters only, so that no spreadsheet
// takes the field for a formula.
std::string encodeKeystrokes(const std::vector<uint32_t>& intervals,
                             const std::vector<uint32_t>& mistypedAt);
// False when `field` is not such a text (or an interval exceeds 32 bits).
bool decodeKeystrokes(const std::string& field, std::vector<uint32_t>& intervals,
                      std::vector<uint32_t>& mistypedAt);

// A completed attempt, finished at `now`.
ResultRecord resultRecord(const CompletedAttempt& attempt, std::time_t now);

// The local date and time of `now` in ISO 8601 with the offset from UTC:
// "2026-12-07T18:23:06+01:00".
std::string localTimeText(std::time_t now);

// One line of the file, CR LF included.
std::string formatRecord(const ResultRecord& record);
// The line in the ten columns of 1.0.0: without language, source and timing.
std::string formatOldRecord(const ResultRecord& record);
// Reads one line (without or with its line end); false when it is not a
// whole, consistent record.
bool parseRecord(const std::string& line, ResultRecord& record);

// Whether a line of the file is meant to be a record: not a header line (of
// this file, or of another joined to it) and not empty.
bool isResultLine(const std::string& line);

// The records of a whole file's text, in order; returns the number of
// lines that are not records (the header and empty lines aside).
size_t parseRecords(const std::string& text, std::vector<ResultRecord>& records);

// Lines longer than this are no record: a longer line is damaged, and only
// this much of it is held.
constexpr size_t LONGEST_RESULT_LINE = size_t(16) << 20;

// A line of a 1.0.0 file (with its line end, when it has one) as this
// version's file holds it: a line of ten fields gets three empty ones before
// its end, and reads as the same record; any other line (damaged, empty, or
// not a record) stays as it is, and reads as what it was.
std::string upgradedLine(const std::string& line);

// Turns a whole 1.0.0 file into this version's, handed over piece by piece
// (as FileUpgrade::convert, platform/files.h): its header becomes
// RESULTS_HEADER and every other line upgradedLine. A line longer than
// `longest` passes as it is, without being held.
class ResultsUpgrade {
  public:
    explicit ResultsUpgrade(size_t longest = LONGEST_RESULT_LINE) : longest(longest) {}
    void operator()(const char* bytes, size_t size, bool end, std::string& out);

  private:
    void finishLine(std::string& out);

    size_t longest;
    std::string pending;
    bool overlong = false;
    bool first = true;
};

// Appends finished attempts to the player's results file. A file that cannot
// be written gets one warning, the first time; the game plays on.
//
// A file that starts with the header of 1.0.0 is upgraded first, once and
// atomically (appendToFile): the old file is kept beside it as
// results-1.0.0.csv (results-1.0.0-2.csv, ... when that name is taken), and
// the new one has this version's header and every line as upgradedLine makes
// it. When the upgrade cannot be made now (the file cannot be locked, the
// disk is full), the record goes in the old columns, with one warning, so
// that the file stays one format; the next record tries again.
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
    bool warnedUpgrade = false;
};
