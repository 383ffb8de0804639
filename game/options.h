// The command line, read before anything else happens.
#pragma once

#include <string>
#include <vector>

struct Options {
    bool help = false;
    bool version = false;
    // Set when the command line cannot be used: the line to print.
    std::string error;
};

// Reads the arguments after the program's name. Without any, the program
// plays as it always has.
Options parseOptions(const std::vector<std::string>& arguments);

// What --help prints; `dataPlaces` tells where the data files are looked for.
std::string usageText(const std::string& dataPlaces);
// What --version prints: "tapquill X.Y.Z".
std::string versionText();
