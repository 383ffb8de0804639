#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/languages.h"
#include "app/options.h"

namespace {

using Arguments = std::vector<std::string>;

TEST(Options, WhatToTypeIsChosenOnceAndTheLanguageOnlyForWords) {
    const struct {
        Arguments arguments;
        std::string error; // "" when the line is accepted
    } cases[] = {
        {{"--words", "12abc"}, ""},
        {{"--words=007", "--language", "FR"}, ""},
        {{"--language", "de"}, ""},
        {{"--verses", "--keyboard", "us"}, ""},
        {{"--text", "-"}, ""},
        {{"--words"}, "--words takes a number of words (see tapquill --help)"},
        {{"--words", "abc"}, "--words takes a number of words, not \"abc\" (see tapquill --help)"},
        {{"--words", "-5"}, "--words takes a number of words, not \"-5\" (see tapquill --help)"},
        {{"--words", "3", "--words", "3"}, "--words is given twice (see tapquill --help)"},
        {{"--verses", "--words", "3"},
         "--verses and --words cannot go together: choose one (see tapquill --help)"},
        {{"--words", "3", "--text", "a.txt"},
         "--words and --text cannot go together: choose one (see tapquill --help)"},
        {{"--text", "a.txt", "--verses"},
         "--text and --verses cannot go together: choose one (see tapquill --help)"},
        {{"--text"}, "--text takes a file name, or - for standard input (see tapquill --help)"},
        {{"--language", "fr", "--verses"},
         "--language is for words, not for --verses (see tapquill --help)"},
        {{"--text=a.txt", "--language=en"},
         "--language is for words, not for --text (see tapquill --help)"},
        {{"--language", "xx"}, "unknown language \"xx\" (see tapquill --language list)"},
        {{"--language"}, "--language takes a language code (see tapquill --language list)"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& argument : c.arguments)
            line += argument + " ";
        EXPECT_EQ(parseOptions(c.arguments).error, c.error) << line;
    }

    const Options words = parseOptions({"--words=007", "--language", "FR"});
    EXPECT_EQ(words.play, Options::Play::Words);
    EXPECT_EQ(words.wordsAnswer, "007");
    EXPECT_EQ(words.language, "fr");
    EXPECT_FALSE(words.keyboardGiven);
    const Options text = parseOptions({"--text", "-", "--keyboard", "us"});
    EXPECT_EQ(text.play, Options::Play::Text);
    EXPECT_EQ(text.textFile, "-");
    EXPECT_TRUE(text.keyboardGiven && !text.systemKeyboard);
    // Without options, the question is asked and the list is English.
    const Options none = parseOptions({});
    EXPECT_EQ(none.play, Options::Play::Ask);
    EXPECT_EQ(none.language, DEFAULT_LANGUAGE);
    EXPECT_TRUE(parseOptions({"--language", "list"}).listLanguages);
}

TEST(Languages, EveryCodeHasOneEntryAndItsOwnWordList) {
    ASSERT_GE(LANGUAGE_COUNT, 14u);
    EXPECT_EQ(std::string(LANGUAGES[0].code), DEFAULT_LANGUAGE);
    EXPECT_EQ(dictionaryFileName("en"), "dictionary.dat");
    EXPECT_EQ(dictionaryFileName("fr"), "dictionary-fr.dat");
    const std::string list = languageListText(false);
    for (size_t i = 0; i < LANGUAGE_COUNT; ++i) {
        const std::string code = LANGUAGES[i].code;
        EXPECT_EQ(findLanguage(code), &LANGUAGES[i]) << code;
        EXPECT_TRUE(code.size() == 2 &&
                    code.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos)
            << code;
        EXPECT_NE(list.find(code + "  " + LANGUAGES[i].name + "\n"), std::string::npos) << code;
    }
    for (unsigned char c : list)
        EXPECT_LT(c, 0x80u) << list;
    EXPECT_NE(languageListText(true).find("fr  French (fran\xC3\xA7"
                                          "ais)\n"),
              std::string::npos);
}

} // namespace
