#include "app/options.h"

#include "app/languages.h"
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

// --scale's value: a whole number from 1 to LARGEST_SCALE, or "auto".
bool scaleValue(const std::string& text, int32_t& scale) {
    if (text == "auto") {
        scale = SCALE_TO_FIT;
        return true;
    }
    if (text.size() != 1 || text[0] < '1' || text[0] > '0' + LARGEST_SCALE) {
        return false;
    }
    scale = text[0] - '0';
    return true;
}

// Whether arguments[i] is the option `name` with a value, given as
// "--name VALUE" or "--name=VALUE": sets `value` ("" when none follows) and
// steps `i` over it.
bool optionWithValue(const std::vector<std::string>& arguments, size_t& i, const std::string& name,
                     std::string& value) {
    const std::string& argument = arguments[i];
    if (argument.rfind(name + "=", 0) == 0) {
        value = argument.substr(name.size() + 1);
        return true;
    }
    if (argument != name)
        return false;
    value = i + 1 < arguments.size() ? arguments[++i] : std::string();
    return true;
}

// "<option> takes <what>", with what was given instead when anything was.
std::string wrongValue(const std::string& takes, const std::string& value) {
    return pointToHelp(takes + (value.empty() ? "" : ", not \"" + value + "\""));
}

const char* const PLAY_OPTIONS[] = {"", "--words", "--verses", "--text"};

// Chooses what to type; false, with the error set, when a choice was made
// already.
bool choosePlay(Options& options, Options::Play play) {
    if (options.play != Options::Play::Ask) {
        const std::string earlier = PLAY_OPTIONS[int(options.play)];
        const std::string later = PLAY_OPTIONS[int(play)];
        options.error = pointToHelp(earlier == later ? earlier + " is given twice"
                                                     : earlier + " and " + later +
                                                           " cannot go together: choose one");
        return false;
    }
    options.play = play;
    return true;
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
    std::string value;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--no-history") {
            options.keepHistory = false;
        } else if (optionWithValue(arguments, i, "--keyboard", value)) {
            if (value != "us" && value != "system") {
                options.error = wrongValue("--keyboard takes \"us\" or \"system\"", value);
                return options;
            }
            options.systemKeyboard = value == "system";
            options.keyboardGiven = true;
        } else if (argument == "--fullscreen" || optionWithValue(arguments, i, "--scale", value)) {
            if (argument == "--fullscreen") {
                options.fullscreen = true;
            } else if (!scaleValue(value, options.windowScale)) {
                options.error =
                    wrongValue("--scale takes a whole number from 1 to 8 or \"auto\"", value);
                return options;
            }
            // The whole desktop has no room for another size.
            if (options.fullscreen && options.windowScale != 0) {
                options.error = pointToHelp("--scale and --fullscreen cannot be used together");
                return options;
            }
        } else if (optionWithValue(arguments, i, "--words", value)) {
            // Validated as the console's answer is: it must start with a digit.
            if (value.empty() || value[0] < '0' || value[0] > '9') {
                options.error = wrongValue("--words takes a number of words", value);
                return options;
            }
            if (!choosePlay(options, Options::Play::Words))
                return options;
            options.wordsAnswer = value;
        } else if (argument == "--verses") {
            if (!choosePlay(options, Options::Play::Verses))
                return options;
        } else if (optionWithValue(arguments, i, "--text", value)) {
            if (value.empty()) {
                options.error = pointToHelp("--text takes a file name, or - for standard input");
                return options;
            }
            if (!choosePlay(options, Options::Play::Text))
                return options;
            options.textFile = value;
        } else if (optionWithValue(arguments, i, "--language", value)) {
            for (char& c : value) {
                c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
            }
            if (value == "list") {
                options.listLanguages = true;
            } else if (findLanguage(value) == nullptr) {
                options.error = (value.empty() ? std::string("--language takes a language code")
                                               : "unknown language \"" + value + "\"") +
                                " (see tapquill --language list)";
                return options;
            } else {
                options.language = findLanguage(value)->code;
                options.languageGiven = true;
            }
        } else if (argument == "--practice") {
            options.practice = true;
        } else if (optionWithValue(arguments, i, "--seed", value)) {
            if (!seedValue(value, options.seed)) {
                options.error = wrongValue("--seed takes a number from 0 to 4294967295", value);
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
    // The verses and the player's text have no word list to choose.
    if (options.languageGiven &&
        (options.play == Options::Play::Verses || options.play == Options::Play::Text)) {
        options.error = pointToHelp(std::string("--language is for words, not for ") +
                                    PLAY_OPTIONS[int(options.play)]);
    }
    if (options.practice && !options.keepHistory) {
        options.error =
            pointToHelp("--practice needs the results history, which --no-history turns off");
    }
    // Practice draws words: the player's text has none.
    if (options.practice && options.play == Options::Play::Text) {
        options.error = pointToHelp("--practice draws words: it does not go with --text");
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
           "  --words N       answer the question on the command line: N words a line\n"
           "  --verses        answer it with Bible verses\n"
           "  --language CODE words of another language's list (see --language list),\n"
           "                  typed with --keyboard system unless --keyboard us is given\n"
           "  --language list list the languages and their codes, then exit\n"
           "  --text FILE     type your own text instead: each line to type is the next\n"
           "                  paragraph of FILE (UTF-8, UTF-16 or Latin-1), from the first;\n"
           "                  - reads standard input\n"
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
           "                  layout (the default, but for words in a language other\n"
           "                  than English)\n"
           "  --scale N       make the window N times as large (N from 1 to 8), or with\n"
           "                  --scale auto as large as fits the desktop\n"
           "  --fullscreen    fill the whole screen, the picture scaled to fit and framed\n"
           "                  in black\n"
           "  --help          show this help and exit\n"
           "  --version       show the version and exit\n"
           "\n" +
           wrapped("Data files (dictionary.dat, bible.dat, font.tga) are read from the first of "
                   "these places that holds them: " +
                   dataPlaces + ".") +
           "\n" +
           wrapped("Languages (word lists dictionary-CODE.dat; English is dictionary.dat): " +
                   languageNames() + ".") +
           "\n" +
           wrapped("Every finished attempt is added to " +
                   (resultsFile.empty() ? std::string("a results file in your home folder")
                                        : "\"" + resultsFile + "\"") +
                   " (a CSV file that a spreadsheet opens).");
}

std::string versionText() {
    return std::string("tapquill ") + TAPQUILL_VERSION + "\n";
}
