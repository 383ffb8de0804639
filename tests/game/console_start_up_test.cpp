#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "app/data_files.h"
#include "game/console_start_up.h"
#include "platform/files.h"
#include "tests/support/test_files.h"

namespace {

// Runs the console phase in a folder holding both word sources.
struct ConsoleRun {
    GameState game;
    std::string output;
    std::string error;
    bool ok = false;

    explicit ConsoleRun(const std::string& input) {
        TempFolder folder;
        folder.write("dictionary.dat", "apple\nbanana\ncherry\n");
        folder.write("bible.dat", "1:1 In the beginning\n\n1:2 And the earth\n\n");
        WorkingDirectory inFolder(folder.path);
        std::istringstream in(input);
        std::ostringstream out;
        ok = consoleStartUp(game, in, out, findDataFile, error);
        output = out.str();
    }
};

TEST(ConsoleStartUp, WritesThePromptExactly) {
    ConsoleRun run("10\n");
    EXPECT_EQ(run.output, "How many words do you want to use? If you either by ineptitude or "
                          "choice enter\nan invalid number, I will make you quote bible verses as "
                          "punishment!\n\nSo, what will it be? ");
}

TEST(ConsoleStartUp, DigitLedAnswersChooseTheWordList) {
    const struct {
        const char* input;
        int32_t count;
    } cases[] = {{"10", 10}, {"007", 7}, {"0", 0}, {"12abc", 12}, {"  \n\n\t 3 more words", 3}};
    for (const auto& c : cases) {
        ConsoleRun run(c.input);
        ASSERT_TRUE(run.ok) << run.error;
        EXPECT_FALSE(run.game.verseMode) << c.input;
        EXPECT_EQ(run.game.wordCount, c.count) << c.input;
        EXPECT_EQ(run.game.words, (WordList{"apple", "banana", "cherry"}));
    }
}

TEST(ConsoleStartUp, EverythingElseChoosesTheVerses) {
    for (const char* input : {"ten", "-5", "+5", ".5", "", "   \n\n"}) {
        ConsoleRun run(input);
        ASSERT_TRUE(run.ok) << run.error;
        EXPECT_TRUE(run.game.verseMode) << "'" << input << "'";
        EXPECT_EQ(run.game.words, (WordList{"In the beginning", "And the earth"}));
    }
}

TEST(ConsoleStartUp, OnlyTheFirstWordIsRead) {
    TempFolder folder;
    folder.write("dictionary.dat", "word\n");
    WorkingDirectory inFolder(folder.path);
    GameState game;
    std::istringstream in("4 rest of line\n");
    std::ostringstream out;
    std::string error;
    ASSERT_TRUE(consoleStartUp(game, in, out, findDataFile, error));
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, " rest of line");
}

TEST(ConsoleStartUp, HugeCountsAreServedAsTheLargestLine) {
    EXPECT_EQ(ConsoleRun("10000").game.wordCount, 10000);
    EXPECT_EQ(ConsoleRun("10001").game.wordCount, MAX_WORD_COUNT);
    EXPECT_EQ(ConsoleRun("99999999999999999999").game.wordCount, MAX_WORD_COUNT);
}

TEST(ConsoleStartUp, AnswerValueSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(answerValue("2147483647"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(answerValue("2147483648"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(answerValue("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(answerValue("-99999999999999999999"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(answerValue("-5"), -5);
    EXPECT_EQ(answerValue("+5"), 5);
    EXPECT_EQ(answerValue("12abc"), 12);
    EXPECT_EQ(answerValue("abc"), 0);
    EXPECT_EQ(answerValue(""), 0);
    EXPECT_EQ(answerValue("-"), 0);
}

TEST(ConsoleStartUp, AMissingWordSourceIsAnErrorNamingTheFileAndThePlacesLooked) {
    TempFolder empty;
    WorkingDirectory inFolder(empty.path);
    // Nothing beside this test program either.
    const std::string working = " in the working directory (" + workingFolder() + ")";
    GameState game;
    std::ostringstream out;
    std::string error;
    std::istringstream words("5");
    EXPECT_FALSE(consoleStartUp(game, words, out, findDataFile, error));
    EXPECT_EQ(error.rfind("cannot find \"dictionary.dat\"" + working, 0), 0u) << error;
    EXPECT_NE(error.find(programFolder()), std::string::npos) << error;
    std::istringstream verses("five");
    EXPECT_FALSE(consoleStartUp(game, verses, out, findDataFile, error));
    EXPECT_EQ(error.rfind("cannot find \"bible.dat\"" + working, 0), 0u) << error;
}

TEST(ConsoleStartUp, AnAnswerGivenBeforehandChoosesAsTheConsoleAnswerDoes) {
    TempFolder folder;
    folder.write("dictionary-fr.dat", "\xE9t\xE9\nmer\n");
    folder.write("bible.dat", "1:1 In the beginning\n\n");
    WorkingDirectory inFolder(folder.path);
    std::string error;
    GameState words;
    ASSERT_TRUE(answerStartUp(words, "12abc", findDataFile, error, "dictionary-fr.dat")) << error;
    EXPECT_FALSE(words.verseMode);
    EXPECT_EQ(words.wordCount, 12);
    EXPECT_EQ(words.words, (WordList{"\xE9t\xE9", "mer"}));
    GameState verses;
    ASSERT_TRUE(answerStartUp(verses, "", findDataFile, error, "dictionary-fr.dat")) << error;
    EXPECT_TRUE(verses.verseMode);
    GameState missing;
    EXPECT_FALSE(answerStartUp(missing, "3", findDataFile, error, "dictionary-de.dat"));
    EXPECT_EQ(error.rfind("cannot find \"dictionary-de.dat\" in the working directory", 0), 0u)
        << error;
}

} // namespace
