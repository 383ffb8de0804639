#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "game/word_sources.h"

// The data files the game ships with, read by the game's own readers.
namespace {

const std::string dataFolder = TAPQUILL_DATA_DIR;

TEST(ShippedData, WordListHoldsCommonLowerCaseWords) {
    WordList words;
    std::string error;
    ASSERT_TRUE(loadDictionary(words, error, dataFolder + "/dictionary.dat")) << error;
    EXPECT_EQ(words.size(), 10688u);
    // Only the first 32768 entries can ever be drawn.
    EXPECT_LE(words.size(), 32768u);
    for (const std::string& word : words) {
        ASSERT_FALSE(word.empty());
        for (char c : word)
            ASSERT_TRUE(c >= 'a' && c <= 'z') << word;
    }
    // Shuffled, so that no letter range clumps together.
    EXPECT_FALSE(std::is_sorted(words.begin(), words.end()));
}

TEST(ShippedData, VerseFileHoldsEveryVerseWithoutItsReference) {
    WordList verses;
    std::string error;
    ASSERT_TRUE(loadVerses(verses, error, dataFolder + "/bible.dat")) << error;
    EXPECT_EQ(verses.size(), 31102u);
    EXPECT_EQ(verses.front(), "In the beginning God created the heaven and the earth.");
    EXPECT_EQ(verses.back().substr(verses.back().size() - 5), "Amen.");
    for (const std::string& verse : verses) {
        ASSERT_FALSE(verse.empty());
        ASSERT_EQ(verse.find_first_of("0123456789\r\n"), std::string::npos) << verse;
    }
}

} // namespace
