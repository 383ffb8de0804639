#include <gtest/gtest.h>

#include <string>

#include "game/word_sources.h"
#include "tests/support/test_files.h"

namespace {

WordList wordsOf(const std::string& bytes) {
    TempFolder folder;
    WordList words;
    std::string error;
    EXPECT_TRUE(loadDictionary(words, error, folder.write("dictionary.dat", bytes))) << error;
    return words;
}

WordList versesOf(const std::string& bytes) {
    TempFolder folder;
    WordList verses;
    std::string error;
    loadVerses(verses, error, folder.write("bible.dat", bytes));
    return verses;
}

TEST(Dictionary, OneWordPerLineWithOrWithoutFinalLineBreak) {
    const WordList expected = {"alpha", "beta", "gamma"};
    EXPECT_EQ(wordsOf("alpha\nbeta\ngamma\n"), expected);
    EXPECT_EQ(wordsOf("alpha\nbeta\ngamma"), expected);
    EXPECT_EQ(wordsOf("\n\n  alpha\r\nbeta\r\n\r\ngamma\r\n  \n"), expected);
}

TEST(Dictionary, AnyWhitespaceSeparatesAndAnyOtherByteBelongsToTheWord) {
    EXPECT_EQ(wordsOf("a\tb\tc\n"), (WordList{"a", "b", "c"}));
    EXPECT_EQ(wordsOf("x\vy\fz\rw"), (WordList{"x", "y", "z", "w"}));
    EXPECT_EQ(wordsOf("caf\xc3\xa9 it's 4x4 \x80\xff"),
              (WordList{"caf\xc3\xa9", "it's", "4x4", "\x80\xff"}));
    EXPECT_EQ(wordsOf(std::string("nul\0byte", 8)), (WordList{std::string("nul\0byte", 8)}));
}

TEST(Dictionary, ByteTwentySixEndsTheFile) {
    EXPECT_EQ(wordsOf("one two\x1Athree four"), (WordList{"one", "two"}));
    EXPECT_EQ(wordsOf("one tw\x1Ao"), (WordList{"one", "tw"}));
}

TEST(Dictionary, ReservesRoomForTheExpectedSize) {
    EXPECT_GE(wordsOf("word\n").capacity(), DICTIONARY_RESERVE);
}

TEST(Dictionary, MissingEmptyAndUnreadableFilesAreReportedByName) {
    TempFolder folder;
    WordList words;
    std::string error;
    EXPECT_FALSE(loadDictionary(words, error, (folder.path / "absent.dat").string()));
    EXPECT_NE(error.find("cannot read \""), std::string::npos) << error;
    EXPECT_NE(error.find("absent.dat\": No such file or directory"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(loadDictionary(words, error, folder.write("blank.dat", " \n\t\r\n")));
    EXPECT_NE(error.find("blank.dat\" holds no words"), std::string::npos) << error;

    // A folder where the file should be cannot be read, by either reader.
    error.clear();
    EXPECT_FALSE(loadDictionary(words, error, folder.path.string()));
    EXPECT_NE(error.find("\": Is a directory"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(loadVerses(words, error, folder.path.string()));
    EXPECT_NE(error.find("\": Is a directory"), std::string::npos) << error;
}

TEST(WordSources, KeepOnlyTheEntriesADrawCanReach) {
    // Entries spelled in letters, since a digit would start a verse reference.
    const auto entry = [](size_t i) {
        std::string text;
        for (; i > 0 || text.empty(); i /= 26)
            text += char('a' + i % 26);
        return text;
    };
    std::string wordFile;
    std::string verseFile;
    for (size_t i = 0; i < WORD_LIST_LIMIT + 5000; ++i) {
        wordFile += entry(i) + (i % 2 ? " " : "\n");
        verseFile += "that " + entry(i) + "\n\n";
    }
    const WordList words = wordsOf(wordFile);
    const WordList verses = versesOf(verseFile);
    ASSERT_EQ(words.size(), WORD_LIST_LIMIT);
    ASSERT_EQ(verses.size(), WORD_LIST_LIMIT);
    EXPECT_EQ(words.back(), entry(WORD_LIST_LIMIT - 1));
    EXPECT_EQ(verses.back(), "that " + entry(WORD_LIST_LIMIT - 1));
}

TEST(WordSources, AFileIsReadNoFurtherThanItsByteLimit) {
    // One word, or one unfinished verse, running past the limit: the word is
    // cut where reading stops, and what follows is never read.
    const std::string huge(WORD_SOURCE_BYTE_LIMIT + 10, 'w');
    const WordList words = wordsOf("ab " + huge + " after\n");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[1].size(), WORD_SOURCE_BYTE_LIMIT - 3);
    EXPECT_EQ(versesOf("first\n\n" + huge + "\n\nlast\n\n"), (WordList{"first"}));
}

TEST(Verses, ReferenceIsDroppedAndLineBreaksBecomeSpaces) {
    EXPECT_EQ(versesOf("1:1 In the beginning\nwas the word\n\n"),
              (WordList{"In the beginning was the word"}));
    EXPECT_EQ(versesOf("threescore and 10 years\n\n"), (WordList{"threescore and years"}));
}

TEST(Verses, OnlyTwoLineFeedsInARowEndAVerse) {
    // The last verse needs its blank line.
    EXPECT_EQ(versesOf("first\n\nsecond\n"), (WordList{"first"}));
    EXPECT_EQ(versesOf("first\n\nsecond\n\n"), (WordList{"first", "second"}));
    // Four line feeds: the verse, then an empty one.
    EXPECT_EQ(versesOf("first\n\n\n\nsecond\n\n"), (WordList{"first", "", "second"}));
    // Three: the next verse begins with a space.
    EXPECT_EQ(versesOf("first\n\n\nsecond\n\n"), (WordList{"first", " second"}));
}

TEST(Verses, TextModeReadOfCrLfAndByteTwentySix) {
    EXPECT_EQ(versesOf("1:1 In the\r\nbeginning\r\n\r\n1:2 And\r\n\r\n"),
              (WordList{"In the beginning", "And"}));
    // A lone carriage return is kept; one before the line feed is not.
    EXPECT_EQ(versesOf("a\rb\r\r\n\r\n"), (WordList{"a\rb\r"}));
    EXPECT_EQ(versesOf("kept\n\nlost\n\x1A\nignored\n\n"), (WordList{"kept"}));
}

TEST(Verses, OtherBytesAreKeptUnchanged) {
    EXPECT_EQ(versesOf("tab\there # \x80\xff end\n\n"), (WordList{"tab\there # \x80\xff end"}));
}

TEST(Verses, AReferenceWithoutSpaceConsumesTheRest) {
    EXPECT_EQ(versesOf("done\n\nopen 12:3\n\nnever\n\n"), (WordList{"done"}));
}

TEST(Verses, TheLastCharacterIsNeverHandled) {
    // The final line feed pair is completed only when something could follow.
    EXPECT_EQ(versesOf("a\n\n"), (WordList{"a"}));
    EXPECT_EQ(versesOf("a\n"), WordList{});
    EXPECT_EQ(versesOf("x"), WordList{});
}

TEST(Verses, FileWithoutVersesIsReported) {
    TempFolder folder;
    WordList verses;
    std::string error;
    EXPECT_FALSE(loadVerses(verses, error, folder.write("bible.dat", "no blank line at all\n")));
    EXPECT_NE(error.find("bible.dat\" holds no verses"), std::string::npos) << error;
    EXPECT_FALSE(loadVerses(verses, error, (folder.path / "gone.dat").string()));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

TEST(TargetText, WordModeJoinsWordsBySingleSpaces) {
    GameState game;
    game.words = {"one", "two", "three", "four", "five"};
    RandomGenerator random(7);
    for (int32_t count : {3, 1, 0, -4}) {
        game.wordCount = count;
        buildTargetText(game, random);
        int spaces = 0;
        for (char c : game.targetText)
            spaces += c == ' ';
        EXPECT_EQ(spaces, count > 1 ? count - 1 : 0) << "count " << count;
        EXPECT_EQ(game.targetText.empty(), count <= 0);
        if (!game.targetText.empty()) {
            EXPECT_NE(game.targetText.front(), ' ');
            EXPECT_NE(game.targetText.back(), ' ');
        }
    }
}

TEST(TargetText, EachWordIsTheEntryAtTheDrawModuloTheListSize) {
    GameState game;
    game.words = {"zero", "one", "two"};
    game.wordCount = 4;
    RandomGenerator random(12345);
    RandomGenerator replay(12345);
    std::string expected;
    for (int i = 0; i < 4; ++i) {
        expected += game.words[replay.draw() % 3];
        if (i != 3)
            expected += ' ';
    }
    buildTargetText(game, random);
    EXPECT_EQ(game.targetText, expected);
    EXPECT_EQ(random.state, replay.state);
}

TEST(TargetText, VerseModeDrawsOnceAndTakesOneVerse) {
    GameState game;
    game.verseMode = true;
    game.wordCount = 99;
    game.words = {"first verse", "", "third verse"};
    RandomGenerator random(1);
    RandomGenerator replay(1);
    buildTargetText(game, random);
    EXPECT_EQ(game.targetText, game.words[replay.draw() % 3]);
    EXPECT_EQ(random.state, replay.state);
}

TEST(TargetText, OnlyTheFirst32768EntriesCanBeChosen) {
    GameState game;
    game.wordCount = 1;
    for (int i = 0; i < 40000; ++i)
        game.words.push_back(std::to_string(i));
    RandomGenerator random(99);
    for (int i = 0; i < 2000; ++i) {
        buildTargetText(game, random);
        EXPECT_LT(std::stoi(game.targetText), 32768);
    }
}

TEST(TargetText, IsCutAtItsLimitWithEveryDrawStillMade) {
    GameState game;
    game.words = {std::string(TARGET_TEXT_LIMIT / 2 + 1, 'a'), std::string(7, 'b')};
    for (const bool verses : {false, true}) {
        game.verseMode = verses;
        game.wordCount = 5;
        game.words[0].resize(verses ? TARGET_TEXT_LIMIT + 9 : TARGET_TEXT_LIMIT / 2 + 1, 'a');
        for (uint32_t seed = 0; seed < 40; ++seed) {
            RandomGenerator random(seed);
            RandomGenerator replay(seed);
            std::string whole;
            for (int i = 0; i < (verses ? 1 : 5); ++i)
                whole += game.words[replay.draw() % 2] + (verses || i == 4 ? "" : " ");
            buildTargetText(game, random);
            EXPECT_EQ(game.targetText, whole.substr(0, TARGET_TEXT_LIMIT)) << seed;
            EXPECT_EQ(random.state, replay.state);
        }
    }
}

TEST(RandomGenerator, DrawsFollowTheLinearCongruence) {
    // Worked by hand: state = state * 214013 + 2531011 (mod 2^32), result = bits 16..30.
    RandomGenerator random(0);
    EXPECT_EQ(random.draw(), 38u); // state 2531011 = 0x269EC3
    EXPECT_EQ(random.state, 2531011u);
    EXPECT_EQ(random.draw(), 7719u); // state 505908858 = 0x1E278E7A
    EXPECT_EQ(random.draw(), 21238u);
    RandomGenerator high(0xFFFFFFFFu);
    EXPECT_EQ(high.draw(), ((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 32767u);
    EXPECT_EQ(high.state, 0xFFFFFFFFu * 214013u + 2531011u);
}

TEST(RandomGenerator, SameSeedSameTargetTexts) {
    GameState a;
    a.words = {"w0", "w1", "w2", "w3", "w4", "w5", "w6"};
    a.wordCount = 5;
    GameState b = a;
    RandomGenerator first(1700000000u);
    RandomGenerator second(1700000000u);
    for (int i = 0; i < 10; ++i) {
        buildTargetText(a, first);
        buildTargetText(b, second);
        EXPECT_EQ(a.targetText, b.targetText);
    }
}

} // namespace
