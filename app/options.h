// The command line, read before anything else happens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/screen_fit.h"

struct Options {
    bool help = false;
    bool version = false;
    // --history [N]: show the last N results instead of playing.
    bool showHistory = false;
    size_t historyCount = 20;
    // --no-history: play without reading or writing the results file.
    bool keepHistory = true;
    // --keyboard system: characters from the system's text input (its layout,
    // dead keys and all) instead of the US key labels (--keyboard us).
    bool systemKeyboard = false;
    // --scale N: the window N times as large (1 to LARGEST_SCALE), or
    // SCALE_TO_FIT for --scale auto; 0 when not given.
    int32_t windowScale = 0;
    // --fullscreen: the picture over the whole desktop.
    bool fullscreen = false;
    // Whether --keyboard was given at all: a word list of another language
    // than English plays with the system's layout unless it was.
    bool keyboardGiven = false;
    // What to type: as the console question's answer says (Ask), or as the
    // command line answers it (--words N, --verses), or the player's own
    // text (--text FILE). At most one of them may be given.
    enum class Play { Ask, Words, Verses, Text };
    Play play = Play::Ask;
    // --words N: the answer as given; it starts with a digit.
    std::string wordsAnswer;
    // --text FILE: the file's name as given, "-" for standard input.
    std::string textFile;
    // --language CODE: the word list's language; --language list lists them.
    std::string language = "en";
    bool languageGiven = false;
    bool listLanguages = false;
    // --practice: word targets weighted toward what the history shows the
    // player needs, with the words they stumbled on mixed back in.
    bool practice = false;
    // --seed N: the draws seeded with N instead of the clock.
    bool seeded = false;
    uint32_t seed = 0;
    // Set when the command line cannot be used: the line to print.
    std::string error;
};

// Reads the arguments after the program's name. Without any, the program
// plays as it always has.
Options parseOptions(const std::vector<std::string>& arguments);

// What --help prints; `dataPlaces` tells where the data files are looked
// for, `resultsFile` where the results are kept.
std::string usageText(const std::string& dataPlaces, const std::string& resultsFile);
// What --version prints: "tapquill X.Y.Z".
std::string versionText();
