#include "history/history_report.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <utility>

#include "platform/files.h"

namespace {

constexpr size_t TREND_SPAN = 10;
constexpr size_t CHART_SPAN = 60;
constexpr int CHART_ROWS = 8;
constexpr size_t MISTYPED_SHOWN = 10;
// No record is longer than this: a longer line is damaged, and only this
// much of it is held.
constexpr size_t LONGEST_RECORD = size_t(16) << 20;

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string signedFixed(double value) {
    return (value >= 0 ? "+" : "") + fixed(value, 2);
}

// "2026-12-07T18:23:06+01:00" as "2026-12-07 18:23:06".
std::string shownTime(const std::string& time) {
    return time.substr(0, 10) + " " + time.substr(11, 8);
}

double numberOf(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

std::string utf8Of(unsigned code) {
    std::string text;
    if (code < 0x80) {
        text += char(code);
    } else {
        text += char(0xC0 | (code >> 6));
        text += char(0x80 | (code & 0x3F));
    }
    return text;
}

// A character as a player reads it: by name for the invisible ones.
std::string characterName(char c, bool utf8) {
    const unsigned code = static_cast<unsigned char>(c);
    switch (code) {
    case ' ':
        return "space";
    case '\t':
        return "tab";
    case '\n':
        return "line feed";
    case '\r':
        return "carriage return";
    default:
        break;
    }
    if (code > 0x20 && code < 0x7F) {
        return std::string(1, c);
    }
    if (code >= 0xA1 && utf8) {
        return utf8Of(code);
    }
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", code);
    return text;
}

// Display width of text that is ASCII or UTF-8.
size_t widthOf(const std::string& text) {
    size_t width = 0;
    for (char c : text) {
        width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return width;
}

std::string padded(const std::string& text, size_t width, bool right) {
    const std::string fill(width > widthOf(text) ? width - widthOf(text) : 0, ' ');
    return right ? fill + text : text + fill;
}

// Rows of cells laid out in columns as wide as their widest cell.
std::string table(const std::vector<std::vector<std::string>>& rows,
                  const std::vector<bool>& rightAligned) {
    std::vector<size_t> widths(rightAligned.size(), 0);
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], widthOf(row[i]));
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line = " ";
        for (size_t i = 0; i < row.size(); ++i) {
            line += " " + padded(row[i], widths[i], rightAligned[i]);
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        text += line + "\n";
    }
    return text;
}

// The language after the mode when it is not English: " fr".
std::string languageSuffix(const std::string& language) {
    return language.empty() || language == "en" ? "" : " " + language;
}

// A text's file name without its folders (either separator); bytes that the output cannot
// show as they are become '?'.
std::string shownSource(const std::string& source, bool utf8) {
    if (source == "-")
        return "(standard input)";
    const size_t slash = source.find_last_of("/\\");
    std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    for (char& c : name) {
        const unsigned code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F || (code >= 0x80 && !utf8))
            c = '?';
    }
    return name;
}

// "10 words", "10 words fr", "verses", "10 practice", "text notes.txt".
std::string modeText(const HistorySummary::Attempt& attempt, bool utf8) {
    switch (attempt.mode) {
    case AttemptMode::Words:
        return std::to_string(attempt.wordCount) + " words" + languageSuffix(attempt.language);
    case AttemptMode::Practice:
        return std::to_string(attempt.wordCount) + " practice" + languageSuffix(attempt.language);
    case AttemptMode::Text:
        return "text " + shownSource(attempt.source, utf8);
    default:
        return modeName(attempt.mode);
    }
}

std::string attemptsTable(const HistorySummary& summary, size_t count, bool utf8) {
    std::vector<std::vector<std::string>> rows = {
        {"date and time", "mode", "characters", "seconds", "wpm", "error %"}};
    for (size_t i = summary.last.size() - count; i < summary.last.size(); ++i) {
        const HistorySummary::Attempt& attempt = summary.last[i];
        rows.push_back({shownTime(attempt.time), modeText(attempt, utf8),
                        std::to_string(attempt.characters), fixed(attempt.milliseconds / 1000.0, 3),
                        attempt.speed, attempt.errorPercentage});
    }
    return table(rows, {false, false, true, true, true, true});
}

// The mean of the speed (or error) of attempts [from, to) of the last ones.
double mean(const HistorySummary& summary, size_t from, size_t to, bool errors) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) {
        const HistorySummary::Attempt& attempt = summary.last[i];
        sum += numberOf(errors ? attempt.errorPercentage : attempt.speed);
    }
    return sum / double(to - from);
}

std::string summaryLines(const HistorySummary& summary) {
    std::string text = "Attempts recorded: " + std::to_string(summary.count) + "\n";
    if (summary.bests.size() == 1) {
        const HistorySummary::Best& best = summary.bests.front();
        text += "Personal best:     " + best.speed + " wpm on " + shownTime(best.time) + "\n";
    } else if (!summary.bests.empty()) {
        // One line a mode and language, named as the table names them.
        std::vector<std::string> labels;
        size_t width = 0;
        for (const HistorySummary::Best& best : summary.bests) {
            labels.push_back(modeName(best.mode) + languageSuffix(best.language));
            width = std::max(width, labels.back().size());
        }
        for (size_t i = 0; i < labels.size(); ++i) {
            const HistorySummary::Best& best = summary.bests[i];
            text += padded(i == 0 ? "Personal bests:" : "", 19, false) +
                    padded(labels[i], width + 2, false) + best.speed + " wpm on " +
                    shownTime(best.time) + "\n";
        }
    }
    const size_t n = summary.last.size();
    const size_t recent = std::min(TREND_SPAN, n);
    const size_t before = std::min(TREND_SPAN, n - recent);
    const std::string last = "Last " + std::to_string(recent) + ":";
    std::string speedLine =
        padded(last, 19, false) + fixed(mean(summary, n - recent, n, false), 2) + " wpm on average";
    std::string errorLine =
        std::string(19, ' ') + fixed(mean(summary, n - recent, n, true), 2) + "% errors on average";
    if (before > 0) {
        const size_t start = n - recent - before;
        const std::string against = " against the " + std::to_string(before) + " before";
        for (const bool errors : {false, true}) {
            const double change =
                mean(summary, n - recent, n, errors) - mean(summary, start, n - recent, errors);
            (errors ? errorLine : speedLine) += ", " + signedFixed(change) + against;
        }
    } else {
        speedLine += " (no earlier attempts to compare)";
    }
    return text + speedLine + "\n" + errorLine + "\n";
}

// Bars of the speed, one column an attempt, scaled from the lowest to the
// highest speed shown, labelled with both.
std::string chart(const HistorySummary& summary, bool utf8) {
    const size_t shown = std::min(CHART_SPAN, summary.last.size());
    std::vector<double> speeds;
    double low = INFINITY;
    double high = -INFINITY;
    for (size_t i = summary.last.size() - shown; i < summary.last.size(); ++i) {
        const double speed = numberOf(summary.last[i].speed);
        speeds.push_back(speed);
        if (std::isfinite(speed)) {
            low = std::min(low, speed);
            high = std::max(high, speed);
        }
    }
    if (!std::isfinite(low)) {
        return std::string();
    }
    // Heights in eighths of a row; the lowest speed keeps a sliver.
    const int full = CHART_ROWS * 8;
    std::vector<int> heights;
    for (double speed : speeds) {
        int height = 0;
        if (std::isfinite(speed)) {
            height = high > low ? 1 + int(std::lround((speed - low) / (high - low) * (full - 1)))
                                : full / 2;
        }
        heights.push_back(height);
    }
    static const char* const BLOCKS[] = {" ", "▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"};
    static const char* const ASCII[] = {" ", ".", ".", ".", "#", "#", "#", "#", "#"};
    const std::string highLabel = fixed(high, 2);
    const std::string lowLabel = fixed(low, 2);
    const size_t labelWidth = std::max(highLabel.size(), lowLabel.size());
    std::string text = "Speed of the last " + std::to_string(shown) + " attempts (wpm):\n";
    for (int row = CHART_ROWS - 1; row >= 0; --row) {
        const bool labelled = row == CHART_ROWS - 1 || row == 0;
        const std::string label = row == 0 ? lowLabel : labelled ? highLabel : "";
        std::string line = " " + padded(label, labelWidth, true);
        line += utf8 ? (labelled ? " ┤" : " │") : (labelled ? " +" : " |");
        for (int height : heights) {
            const int fill = std::clamp(height - row * 8, 0, 8);
            line += utf8 ? BLOCKS[fill] : ASCII[fill];
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        text += line + "\n";
    }
    return text;
}

std::string mistypedTable(const HistorySummary& summary, bool utf8) {
    const auto& asked = summary.asked;
    const auto& missed = summary.missed;
    std::vector<unsigned> characters;
    for (unsigned c = 0; c < 256; ++c) {
        if (missed[c] > 0) {
            characters.push_back(c);
        }
    }
    if (characters.empty()) {
        return "No character was mistyped.\n";
    }
    // Most often first; of two as often, the one missed at the higher rate.
    std::stable_sort(characters.begin(), characters.end(), [&](unsigned a, unsigned b) {
        if (missed[a] != missed[b]) {
            return missed[a] > missed[b];
        }
        return missed[a] * asked[b] > missed[b] * asked[a];
    });
    if (characters.size() > MISTYPED_SHOWN) {
        characters.resize(MISTYPED_SHOWN);
    }
    std::vector<std::vector<std::string>> rows = {
        {"character", "mistyped", "asked", "rate", "typed instead"}};
    for (unsigned c : characters) {
        const auto first = summary.typedInstead.begin() + c * 256;
        const auto most = std::max_element(first, first + 256);
        const unsigned typed = unsigned(most - first);
        const uint64_t times = *most;
        const double rate = asked[c] > 0 ? 100.0 * double(missed[c]) / double(asked[c]) : 0.0;
        rows.push_back({characterName(char(c), utf8), std::to_string(missed[c]),
                        std::to_string(asked[c]), fixed(rate, 1) + "%",
                        characterName(char(typed), utf8) + " (" + std::to_string(times) +
                            (times == 1 ? " time)" : " times)")});
    }
    return "Characters mistyped most often:\n" + table(rows, {false, true, true, true, false});
}

// Hands each line of the file (without its line feed) to `line`; a line
// longer than `longest` is handed over cut short, which no record is.
template <class Line> bool forEachLine(std::FILE* file, size_t longest, Line&& line) {
    std::string pending;
    bool overlong = false;
    std::vector<char> buffer(size_t(1) << 16);
    size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        const char* p = buffer.data();
        const char* const end = p + got;
        while (p != end) {
            const char* feed = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* stop = feed != nullptr ? feed : end;
            if (!overlong) {
                const size_t room = longest - pending.size();
                const size_t take = std::min(room, size_t(stop - p));
                pending.append(p, take);
                overlong = take < size_t(stop - p);
            }
            if (feed == nullptr) {
                break;
            }
            line(pending);
            pending.clear();
            overlong = false;
            p = feed + 1;
        }
    }
    if (!pending.empty()) {
        line(pending);
    }
    return std::ferror(file) == 0;
}

} // namespace

HistorySummary::HistorySummary(size_t lastKept)
    : kept(std::max({lastKept, CHART_SPAN, 2 * TREND_SPAN})) {}

void HistorySummary::add(const ResultRecord& record) {
    ++count;
    const double speed = numberOf(record.speed);
    // Word records without a language are of the English list.
    const bool words = record.mode == AttemptMode::Words || record.mode == AttemptMode::Practice;
    const std::string language = !words ? "" : record.language.empty() ? "en" : record.language;
    if (std::isfinite(speed)) {
        // In order of the mode, then of the language, English first.
        const auto key = [](AttemptMode mode, const std::string& code) {
            return std::make_pair(int(mode), code == "en" ? std::string() : code);
        };
        const auto wanted = key(record.mode, language);
        auto place = std::lower_bound(bests.begin(), bests.end(), wanted,
                                      [&](const Best& best, const std::pair<int, std::string>& k) {
                                          return key(best.mode, best.language) < k;
                                      });
        if (place == bests.end() || key(place->mode, place->language) != wanted)
            place = bests.insert(place, {record.mode, language, -INFINITY, "", ""});
        if (speed > place->value) {
            place->value = speed;
            place->speed = record.speed;
            place->time = record.time;
        }
    }
    for (char c : record.targetText) {
        ++asked[static_cast<unsigned char>(c)];
    }
    for (const auto& pair : record.mistyped) {
        const unsigned target = static_cast<unsigned char>(pair.first);
        ++missed[target];
        ++typedInstead[target * 256 + static_cast<unsigned char>(pair.second)];
    }
    last.push_back({record.time, record.mode, record.wordCount, record.targetText.size(),
                    record.milliseconds, record.speed, record.errorPercentage, language,
                    record.source});
    if (last.size() > kept) {
        last.pop_front();
    }
}

std::string historyReport(const HistorySummary& summary, size_t count, bool utf8) {
    const size_t shown = std::min({count, summary.last.size(), HISTORY_TABLE_LIMIT});
    std::string text =
        "Last " + std::to_string(shown) + " of " + std::to_string(summary.count) + " attempts:\n";
    text += attemptsTable(summary, shown, utf8) + "\n";
    text += summaryLines(summary) + "\n";
    const std::string bars = chart(summary, utf8);
    if (!bars.empty()) {
        text += bars + "\n";
    }
    return text + mistypedTable(summary, utf8);
}

int showHistory(const std::string& path, size_t count, bool utf8, std::ostream& out,
                std::ostream& errors) {
    if (path.empty()) {
        out << "Nothing recorded yet: there is no home folder to keep results in." << std::endl;
        return 0;
    }
    if (!pathExists(path)) {
        out << "Nothing recorded yet: finished attempts are kept in \"" << path << "\"."
            << std::endl;
        return 0;
    }
    std::string error;
    std::FILE* file = openRegularFile(path, &error);
    if (file == nullptr) {
        errors << "tapquill: cannot read \"" << path << "\": " << error << std::endl;
        return 1;
    }
    HistorySummary summary(std::min(count, HISTORY_TABLE_LIMIT));
    size_t damaged = 0;
    ResultRecord record;
    const bool read = forEachLine(file, LONGEST_RECORD, [&](const std::string& line) {
        if (isResultLine(line)) {
            if (parseRecord(line, record)) {
                summary.add(record);
            } else {
                ++damaged;
            }
        }
    });
    std::fclose(file);
    if (!read) {
        errors << "tapquill: cannot read \"" << path << "\": " << std::strerror(EIO) << std::endl;
        return 1;
    }
    if (damaged > 0) {
        errors << "tapquill: skipped " << damaged << (damaged == 1 ? " line" : " lines") << " of \""
               << path << "\" that " << (damaged == 1 ? "is" : "are") << " not a result"
               << std::endl;
    }
    if (summary.count == 0) {
        out << "Nothing recorded yet in \"" << path << "\"." << std::endl;
        return 0;
    }
    out << historyReport(summary, count, utf8) << std::flush;
    return 0;
}
