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
// A word source is read as if it ended after this many bytes, so any file
// loads in bounded time and memory; the 32768 entries of any real word or
// verse file lie far within it.
constexpr size_t WORD_SOURCE_BYTE_LIMIT = size_t(64) << 20;
// Longest target text: more than anyone types in one attempt, and short
// enough that a word source of a few huge entries cannot exhaust memory.
constexpr size_t TARGET_TEXT_LIMIT = size_t(1) << 20;

// Fill `words` from the word list or the verse file. False, with `error`
// set, when the file cannot be read or yields no entries.
bool loadDictionary(WordList& words, std::string& error,
                    const std::string& fileName = DICTIONARY_FILE);
bool loadVerses(WordList& words, std::string& error, const std::string& fileName = VERSE_FILE);

// Replaces game.targetText with a new text: one random verse, or
// game.wordCount random words joined by single spaces, at most
// TARGET_TEXT_LIMIT characters of it.
void buildTargetText(GameState& game, RandomGenerator& random);
