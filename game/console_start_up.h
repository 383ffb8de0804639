// The console phase: the one question, its answer, and the word source it
// chooses.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "game/game_state.h"
#include "game/word_sources.h"

inline constexpr const char CONSOLE_PROMPT[] =
    "How many words do you want to use? If you either by ineptitude or choice enter\n"
    "an invalid number, I will make you quote bible verses as punishment!\n"
    "\n"
    "So, what will it be? ";

// Target texts longer than this many words would not fit in memory as one
// line; larger answers are served as this many words.
constexpr int32_t MAX_WORD_COUNT = 10000;

// The value of the answer's leading sign and decimal digits, as atoi reads
// it, saturated to the range of a signed 32-bit integer.
int32_t answerValue(const std::string& answer);

// Finds a data file by its name: sets `path` to where it is read from, or
// returns false with `error` naming the file and the places looked.
using DataFileFinder = bool (*)(const std::string& name, std::string& path, std::string& error);

// Asks the question on `out`, reads one word from `in`, sets wordCount and
// verseMode and loads the chosen word source from where `find` finds it
// (the word list is `dictionaryFile`). False, with `error` set, when the word
// source cannot be used.
bool consoleStartUp(GameState& game, std::istream& in, std::ostream& out, DataFileFinder find,
                    std::string& error, const std::string& dictionaryFile = DICTIONARY_FILE);

// The same with the answer given (on the command line): an answer that
// starts with a digit asks for that many words, any other for verses.
bool answerStartUp(GameState& game, const std::string& answer, DataFileFinder find,
                   std::string& error, const std::string& dictionaryFile = DICTIONARY_FILE);
