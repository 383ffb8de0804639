#include "game/options.h"

#ifndef TAPQUILL_VERSION
#error "TAPQUILL_VERSION must name the program's version"
#endif

namespace {

std::string pointToHelp(const std::string& problem) {
    return problem + " (see tapquill --help)";
}

// `text` broken at spaces into lines of at most 79 characters where it can be.
std::string wrapped(const std::string& text) {
    std::string lines;
    std::string line;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > 79) {
            lines += line + "\n";
            line = word;
        } else {
            line += (start == 0 ? "" : " ") + word;
        }
        start = end + 1;
    }
    return lines + line + "\n";
}

} // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    for (const std::string& argument : arguments) {
        if (argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            options.error = pointToHelp("unknown option \"" + argument + "\"");
            return options;
        } else {
            options.error = pointToHelp("unexpected argument \"" + argument + "\"");
            return options;
        }
    }
    return options;
}

std::string usageText(const std::string& dataPlaces) {
    return "Usage: tapquill [OPTION]...\n"
           "A typing-speed test. Answer the question on the console with how many words\n"
           "you want to type (any answer that does not start with a digit gives Bible\n"
           "verses instead), then press Escape in the window, type the line shown, and\n"
           "read your speed in words per minute. Close the window to quit.\n"
           "\n"
           "Options:\n"
           "  --help      show this help and exit\n"
           "  --version   show the version and exit\n"
           "\n" +
           wrapped("Data files (dictionary.dat, bible.dat, font.tga) are read from the first of "
                   "these places that holds them: " +
                   dataPlaces + ".");
}

std::string versionText() {
    return std::string("tapquill ") + TAPQUILL_VERSION + "\n";
}
