// The two word sources: the word list and the verse file.
#pragma once

#include <string>

#include "game/game_state.h"
#include "game/random.h"

inline constexpr const char DICTIONARY_FILE[] = "dictionary.dat";
inline constexpr const char VERSE_FILE[] = "bible.dat";

// Room reserved before reading, so the lists seldom grow while loading.
constexpr size_t DICTIONARY_RESERVE = 300000;
constexpr size_t VERSE_RESERVE = 40000;
constexpr size_t VERSE_TEXT_RESERVE = 256;
// A draw yields 0 to 32767, so only this many entries can ever be chosen:
// the readers stop storing, and reading, once they hold that many.
constexpr size_t WORD_LIST_LIMIT = 32768;
// The word sources are read this many bytes at a time.
constexpr size_t WORD_SOURCE_CHUNK = size_t(1) << 16;

// Reads a file whole as a text-mode read sees it on every platform: a
// carriage return directly before a line feed reads as the line feed alone,
// and byte 26 ends the file. On failure `error` names the file and cause.
bool readTextFile(const std::string& fileName, std::string& contents, std::string& error);

// The whitespace-separated words of `text`, appended in order, at most
// WORD_LIST_LIMIT of them.
void parseWords(const std::string& text, WordList& words);
// The verses of `text`, each ended by a blank line, with digits and what
// follows them up to and including the next space left out; at most
// WORD_LIST_LIMIT of them.
void parseVerses(const std::string& text, WordList& words);

// Fill `words` from the word list or the verse file. False, with `error`
// set, when the file cannot be read or yields no entries.
bool loadDictionary(WordList& words, std::string& error,
                    const std::string& fileName = DICTIONARY_FILE);
bool loadVerses(WordList& words, std::string& error, const std::string& fileName = VERSE_FILE);

// Replaces game.targetText with a new text: one random verse, or
// game.wordCount random words joined by single spaces.
void buildTargetText(GameState& game, RandomGenerator& random);
