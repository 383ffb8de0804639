// The command line, read before anything else happens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
