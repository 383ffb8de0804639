#include "game/history_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>

#include "platform/files.h"

namespace {

constexpr size_t TREND_SPAN = 10;
constexpr size_t CHART_SPAN = 60;
constexpr int CHART_ROWS = 8;
constexpr size_t MISTYPED_SHOWN = 10;

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

std::string attemptsTable(const std::vector<ResultRecord>& records, size_t count) {
    std::vector<std::vector<std::string>> rows = {
        {"date and time", "mode", "characters", "seconds", "wpm", "error %"}};
    for (size_t i = records.size() - count; i < records.size(); ++i) {
        const ResultRecord& record = records[i];
        rows.push_back({shownTime(record.time),
                        record.verseMode ? "verses" : std::to_string(record.wordCount) + " words",
                        std::to_string(record.targetText.size()),
                        fixed(record.milliseconds / 1000.0, 3), record.speed,
                        record.errorPercentage});
    }
    return table(rows, {false, false, true, true, true, true});
}

double mean(const std::vector<double>& values, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) {
        sum += values[i];
    }
    return sum / double(to - from);
}

std::string summary(const std::vector<ResultRecord>& records) {
    std::vector<double> speeds;
    std::vector<double> errors;
    size_t best = records.size();
    for (size_t i = 0; i < records.size(); ++i) {
        speeds.push_back(numberOf(records[i].speed));
        errors.push_back(numberOf(records[i].errorPercentage));
        if (std::isfinite(speeds[i]) && (best == records.size() || speeds[i] > speeds[best])) {
            best = i;
        }
    }
    std::string text = "Attempts recorded: " + std::to_string(records.size()) + "\n";
    if (best < records.size()) {
        text += "Personal best:     " + records[best].speed + " wpm on " +
                shownTime(records[best].time) + "\n";
    }
    const size_t n = records.size();
    const size_t recent = std::min(TREND_SPAN, n);
    const size_t before = std::min(TREND_SPAN, n - recent);
    const std::string last = "Last " + std::to_string(recent) + ":";
    std::string speedLine =
        padded(last, 19, false) + fixed(mean(speeds, n - recent, n), 2) + " wpm on average";
    std::string errorLine =
        std::string(19, ' ') + fixed(mean(errors, n - recent, n), 2) + "% errors on average";
    if (before > 0) {
        const size_t start = n - recent - before;
        const std::string against = " against the " + std::to_string(before) + " before";
        speedLine += ", " +
                     signedFixed(mean(speeds, n - recent, n) - mean(speeds, start, n - recent)) +
                     against;
        errorLine += ", " +
                     signedFixed(mean(errors, n - recent, n) - mean(errors, start, n - recent)) +
                     against;
    } else {
        speedLine += " (no earlier attempts to compare)";
    }
    return text + speedLine + "\n" + errorLine + "\n";
}

// Bars of the speed, one column an attempt, scaled from the lowest to the
// highest speed shown, labelled with both.
std::string chart(const std::vector<ResultRecord>& records, bool utf8) {
    const size_t shown = std::min(CHART_SPAN, records.size());
    std::vector<double> speeds;
    double low = INFINITY;
    double high = -INFINITY;
    for (size_t i = records.size() - shown; i < records.size(); ++i) {
        const double speed = numberOf(records[i].speed);
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

std::string mistypedTable(const std::vector<ResultRecord>& records, bool utf8) {
    std::array<uint64_t, 256> asked{};
    std::array<uint64_t, 256> missed{};
    std::map<std::pair<unsigned, unsigned>, uint64_t> instead;
    for (const ResultRecord& record : records) {
        for (char c : record.targetText) {
            ++asked[static_cast<unsigned char>(c)];
        }
        for (const auto& pair : record.mistyped) {
            const unsigned target = static_cast<unsigned char>(pair.first);
            ++missed[target];
            ++instead[{target, static_cast<unsigned char>(pair.second)}];
        }
    }
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
    std::vector<std::vector<std::string>> rows = {{"character", "mistyped", "", "typed instead"}};
    for (unsigned c : characters) {
        unsigned typed = 0;
        uint64_t times = 0;
        for (const auto& entry : instead) {
            if (entry.first.first == c && entry.second > times) {
                typed = entry.first.second;
                times = entry.second;
            }
        }
        const double rate = asked[c] > 0 ? 100.0 * double(missed[c]) / double(asked[c]) : 0.0;
        rows.push_back({characterName(char(c), utf8),
                        std::to_string(missed[c]) + " of " + std::to_string(asked[c]),
                        "(" + fixed(rate, 1) + "%)",
                        characterName(char(typed), utf8) + " (" + std::to_string(times) +
                            (times == 1 ? " time)" : " times)")});
    }
    return "Characters mistyped most often:\n" + table(rows, {false, true, true, false});
}

} // namespace

std::string historyReport(const std::vector<ResultRecord>& records, size_t count, bool utf8) {
    const size_t shown = std::min(count, records.size());
    std::string text =
        "Last " + std::to_string(shown) + " of " + std::to_string(records.size()) + " attempts:\n";
    text += attemptsTable(records, shown) + "\n";
    text += summary(records) + "\n";
    const std::string bars = chart(records, utf8);
    if (!bars.empty()) {
        text += bars + "\n";
    }
    return text + mistypedTable(records, utf8);
}

int showHistory(const std::string& path, size_t count, bool utf8, std::ostream& out,
                std::ostream& errors) {
    std::string contents;
    std::string error;
    if (path.empty()) {
        out << "Nothing recorded yet: there is no home folder to keep results in." << std::endl;
        return 0;
    }
    if (!pathExists(path)) {
        out << "Nothing recorded yet: finished attempts are kept in \"" << path << "\"."
            << std::endl;
        return 0;
    }
    if (!readWholeFile(path, contents, error)) {
        errors << "tapquill: cannot read \"" << path << "\": " << error << std::endl;
        return 1;
    }
    std::vector<ResultRecord> records;
    const size_t damaged = parseRecords(contents, records);
    if (damaged > 0) {
        errors << "tapquill: skipped " << damaged << (damaged == 1 ? " line" : " lines") << " of \""
               << path << "\" that " << (damaged == 1 ? "is" : "are") << " not a result"
               << std::endl;
    }
    if (records.empty()) {
        out << "Nothing recorded yet in \"" << path << "\"." << std::endl;
        return 0;
    }
    out << historyReport(records, count, utf8) << std::flush;
    return 0;
}
