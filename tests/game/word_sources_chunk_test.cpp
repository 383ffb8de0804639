// The word sources are read in chunks of WORD_SOURCE_CHUNK bytes: whatever
// straddles a chunk boundary (a carriage return and its line feed, a blank
// line, a reference and its space, a word, byte 26) must read exactly as it
// does anywhere else. The expected entries come from straightforward readers
// over the whole text, which stop at WORD_LIST_LIMIT entries like the game's.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "game/word_sources.h"
#include "tests/support/test_files.h"

namespace {

std::string textMode(const std::string& bytes) {
    std::string cut = bytes.substr(0, bytes.find('\x1a'));
    std::string text;
    for (size_t i = 0; i < cut.size(); ++i) {
        if (!(cut[i] == '\r' && i + 1 < cut.size() && cut[i + 1] == '\n')) {
            text += cut[i];
        }
    }
    return text;
}

WordList expectedWords(const std::string& bytes) {
    std::istringstream in(textMode(bytes));
    WordList words;
    for (std::string word; words.size() < WORD_LIST_LIMIT && in >> word;) {
        words.push_back(word);
    }
    return words;
}

WordList expectedVerses(const std::string& bytes) {
    const std::string text = textMode(bytes);
    WordList verses;
    std::string verse;
    size_t i = 0;
    while (i + 1 < text.size() && verses.size() < WORD_LIST_LIMIT) {
        const char ch = text[i++];
        if (ch == '\n' && text[i] == '\n') {
            verses.push_back(verse);
            verse.clear();
            ++i;
        } else if (ch == '\n') {
            verse += ' ';
        } else if (ch >= '0' && ch <= '9') {
            while (i < text.size() && text[i++] != ' ') {
            }
        } else {
            verse += ch;
        }
    }
    return verses;
}

// Plain text up to `length` bytes, made of short words and single line feeds.
std::string filler(size_t length) {
    std::string text;
    static const char* const words[] = {"and", "the", "light", "was", "good"};
    for (size_t i = 0; text.size() < length; ++i) {
        text += words[i % 5];
        text += i % 7 == 6 ? '\n' : ' ';
    }
    text.resize(length);
    return text;
}

TEST(WordSourceChunks, WhatStraddlesABoundaryReadsAsAnywhereElse) {
    const std::string pieces[] = {"\r\n",  "\n\n",      "\n\n\n", "7 ",   "12:34 ",
                                  "word",  "\r\r\n",    "\r\x1a", "a\n",  "\n\r\n\r\n",
                                  "\r\n3", "x\n\n12 y", "\r",     "\x1a", "99"};
    TempFolder folder;
    for (const std::string& piece : pieces) {
        for (size_t before = 1; before <= piece.size() + 1; ++before) {
            // The piece starts `before` bytes ahead of the first boundary.
            const std::string bytes = filler(WORD_SOURCE_CHUNK - before) + piece +
                                      " then more text\n\nand a last verse\n\n";
            SCOPED_TRACE(::testing::Message() << "piece " << ::testing::PrintToString(piece) << ", "
                                              << before << " bytes before the boundary");
            const std::string path = folder.write("source.dat", bytes);
            WordList words;
            WordList verses;
            std::string error;
            loadDictionary(words, error, path);
            loadVerses(verses, error, path);
            EXPECT_EQ(words, expectedWords(bytes));
            EXPECT_EQ(verses, expectedVerses(bytes));
        }
    }
}

TEST(WordSourceChunks, ManyChunksOfShortLinesAndReferences) {
    std::string bytes;
    for (int i = 0; bytes.size() < 3 * WORD_SOURCE_CHUNK + 123; ++i) {
        bytes += std::to_string(i % 50) + ":" + std::to_string(i) + " verse " + std::to_string(i) +
                 "\r\nwith words\r\n\r\n";
    }
    TempFolder folder;
    const std::string path = folder.write("long.dat", bytes);
    WordList words;
    WordList verses;
    std::string error;
    ASSERT_TRUE(loadDictionary(words, error, path)) << error;
    ASSERT_TRUE(loadVerses(verses, error, path)) << error;
    EXPECT_EQ(words, expectedWords(bytes));
    EXPECT_EQ(verses, expectedVerses(bytes));
    // The number after "verse" is a reference that runs to the space after "with".
    EXPECT_EQ(verses.front(), "verse words");
}

// Random texts over the bytes that matter and their neighbours ('/' and ':'
// beside the digits, the digits plus 128, tab, vertical tab), long runs
// without a line feed included.
TEST(WordSourceChunks, RandomTextsReadAsTheStraightforwardReaders) {
    const std::string alphabet = std::string("ab ab ab\n\n09/:\r\t\v") + "\xb0\xb9\x8a\xff\x7f";
    std::mt19937 generator(20261207);
    TempFolder folder;
    for (int round = 0; round < 300; ++round) {
        const size_t length = generator() % (round < 250 ? 200 : 3 * WORD_SOURCE_CHUNK);
        const bool plainRuns = round % 3 == 0;
        std::string bytes;
        while (bytes.size() < length) {
            if (plainRuns && generator() % 4 == 0) {
                bytes += std::string(generator() % 40, char('c' + generator() % 20));
            }
            bytes += alphabet[generator() % alphabet.size()];
        }
        if (!bytes.empty() && generator() % 20 == 0) {
            bytes[generator() % bytes.size()] = '\x1a';
        }
        SCOPED_TRACE(::testing::Message()
                     << "round " << round << ": " << ::testing::PrintToString(bytes.substr(0, 80)));
        const std::string path = folder.write("random.dat", bytes);
        WordList words;
        WordList verses;
        std::string error;
        loadDictionary(words, error, path);
        loadVerses(verses, error, path);
        ASSERT_EQ(words, expectedWords(bytes));
        ASSERT_EQ(verses, expectedVerses(bytes));
    }
}

} // namespace
