#include "app/options.h"

#include <cstdint>

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

// A count of one or more; beyond what any file holds it saturates.
bool countValue(const std::string& text, size_t& count) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    size_t value = 0;
    for (char digit : text) {
        value = value > 100000000 ? value : value * 10 + size_t(digit - '0');
    }
    count = value;
    return value > 0;
}

// A decimal number from 0 to 4294967295.
bool seedValue(const std::string& text, uint32_t& seed) {
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const unsigned long long value = std::stoull(text);
    seed = uint32_t(value);
    return value <= UINT32_MAX;
}

} // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--no-history") {
            options.keepHistory = false;
        } else if (argument == "--keyboard" || argument.rfind("--keyboard=", 0) == 0) {
            std::string layout;
            if (argument.size() > 10) {
                layout = argument.substr(11);
            } else if (i + 1 < arguments.size()) {
                layout = arguments[++i];
            }
            if (layout != "us" && layout != "system") {
                options.error = pointToHelp("--keyboard takes \"us\" or \"system\"" +
                                            (layout.empty() ? "" : ", not \"" + layout + "\""));
                return options;
            }
            options.systemKeyboard = layout == "system";
        } else if (argument == "--practice") {
            options.practice = true;
        } else if (argument == "--seed" || argument.rfind("--seed=", 0) == 0) {
            std::string number;
            if (argument.size() > 6) {
                number = argument.substr(7);
            } else if (i + 1 < arguments.size()) {
                number = arguments[++i];
            }
            if (!seedValue(number, options.seed)) {
                options.error = pointToHelp("--seed takes a number from 0 to 4294967295" +
                                            (number.empty() ? "" : ", not \"" + number + "\""));
                return options;
            }
            options.seeded = true;
        } else if (argument == "--history" || argument.rfind("--history=", 0) == 0) {
            options.showHistory = true;
            // The count is optional: the next argument when it is a number.
            std::string count;
            if (argument.size() > 9) {
                count = argument.substr(10);
            } else if (i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                       arguments[i + 1].find_first_not_of("0123456789") == std::string::npos) {
                count = arguments[++i];
            } else {
                continue;
            }
            if (!countValue(count, options.historyCount)) {
                options.error = pointToHelp("\"" + count + "\" is not a number of attempts");
                return options;
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            options.error = pointToHelp("unknown option \"" + argument + "\"");
            return options;
        } else {
            options.error = pointToHelp("unexpected argument \"" + argument + "\"");
            return options;
        }
    }
    if (options.practice && !options.keepHistory) {
        options.error =
            pointToHelp("--practice needs the results history, which --no-history turns off");
    }
    return options;
}

std::string usageText(const std::string& dataPlaces, const std::string& resultsFile) {
    return "Usage: tapquill [OPTION]...\n"
           "A typing-speed test. Answer the question on the console with how many words\n"
           "you want to type (any answer that does not start with a digit gives Bible\n"
           "verses instead), then press Escape in the window, type the line shown, and\n"
           "read your speed in words per minute. Close the window to quit.\n"
           "\n"
           "Options:\n"
           "  --history [N]   show the last N results (20 unless given), your best, your\n"
           "                  trend, the keys you miss most and where your time goes, then\n"
           "                  exit\n"
           "  --no-history    play without reading or writing the results file\n"
           "  --practice      draw the words toward the keys, pairs and words your results\n"
           "                  show you miss or type slowest, and bring back the words you\n"
           "                  stumbled on until you type them well\n"
           "  --seed N        draw the lines from N (0 to 4294967295) instead of the clock,\n"
           "                  so that the same N gives the same lines\n"
           "  --keyboard system\n"
           "                  take what you type from the system's keyboard layout (AZERTY,\n"
           "                  QWERTZ, Dvorak, dead keys, ...) as any text field does\n"
           "  --keyboard us   take keys by the labels of a US keyboard, whatever the\n"
           "                  layout (the default)\n"
           "  --help          show this help and exit\n"
           "  --version       show the version and exit\n"
           "\n" +
           wrapped("Data files (dictionary.dat, bible.dat, font.tga) are read from the first of "
                   "these places that holds them: " +
                   dataPlaces + ".") +
           "\n" +
           wrapped("Every finished attempt is added to " +
                   (resultsFile.empty() ? std::string("a results file in your home folder")
                                        : "\"" + resultsFile + "\"") +
                   " (a CSV file that a spreadsheet opens).");
}

std::string versionText() {
    return std::string("tapquill ") + TAPQUILL_VERSION + "\n";
}
