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

// Bars of `values`, one column each, scaled from the lowest to the highest
// finite value and labelled with both, under `title`; empty when no value is
// finite.
std::string barChart(const std::string& title, const std::vector<double>& values, bool utf8) {
    double low = INFINITY;
    double high = -INFINITY;
    for (double value : values) {
        if (std::isfinite(value)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    }
    if (!std::isfinite(low)) {
        return std::string();
    }
    // Heights in eighths of a row; the lowest value keeps a sliver.
    const int full = CHART_ROWS * 8;
    std::vector<int> heights;
    for (double value : values) {
        int height = 0;
        if (std::isfinite(value)) {
            height = high > low ? 1 + int(std::lround((value - low) / (high - low) * (full - 1)))
                                : full / 2;
        }
        heights.push_back(height);
    }
    static const char* const BLOCKS[] = {" ", "▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"};
    static const char* const ASCII[] = {" ", ".", ".", ".", "#", "#", "#", "#", "#"};
    const std::string highLabel = fixed(high, 2);
    const std::string lowLabel = fixed(low, 2);
    const size_t labelWidth = std::max(highLabel.size(), lowLabel.size());
    std::string text = title;
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

// The speed of the last attempts, one column an attempt.
std::string chart(const HistorySummary& summary, bool utf8) {
    const size_t shown = std::min(CHART_SPAN, summary.last.size());
    std::vector<double> speeds;
    for (size_t i = summary.last.size() - shown; i < summary.last.size(); ++i) {
        speeds.push_back(numberOf(summary.last[i].speed));
    }
    return barChart("Speed of the last " + std::to_string(shown) + " attempts (wpm):\n", speeds,
                    utf8);
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

// ---------------------------------------------------------------- timing

constexpr uint64_t KEY_ASKED_AT_LEAST = 20;
constexpr uint64_t PAIR_TIMED_AT_LEAST = 10;
constexpr uint64_t WORD_TIMED_AT_LEAST = 3;
constexpr uint64_t HALF_ASKED_AT_LEAST = 20;
constexpr size_t TIMING_ROWS = 10;
constexpr size_t CHUNK_CHARACTERS = 5;

// Characters a minute over six: the window's words per minute.
double wpmOf(double characters, double milliseconds) {
    return milliseconds > 0 ? characters * 10000.0 / milliseconds : INFINITY;
}

std::string wpmText(double wpm) {
    return std::isfinite(wpm) ? fixed(wpm, 1) : "-";
}

std::string percent(double part, double whole) {
    return fixed(whole > 0 ? 100.0 * part / whole : 0.0, 1) + "%";
}

std::string keysTables(const KeystrokeAnalysis& analysis, bool utf8) {
    struct Row {
        unsigned c;
        double median;
        double accuracy;
    };
    std::vector<Row> rows;
    for (unsigned c = 0; c < 256; ++c) {
        const KeystrokeAnalysis::Key& key = analysis.keys[c];
        if (key.asked < KEY_ASKED_AT_LEAST) {
            continue;
        }
        const IntervalHistogram* times = analysis.keyHistogram(static_cast<unsigned char>(c));
        rows.push_back({c, times != nullptr ? times->median() : NAN,
                        1.0 - double(key.missed) / double(key.asked)});
    }
    if (rows.empty()) {
        return "No key was asked " + std::to_string(KEY_ASKED_AT_LEAST) +
               " times yet with timing.\n";
    }
    const auto tableOf = [&](const std::vector<Row>& chosen) {
        std::vector<std::vector<std::string>> cells = {
            {"key", "asked", "accuracy", "median ms", "wpm"}};
        for (const Row& row : chosen) {
            const KeystrokeAnalysis::Key& key = analysis.keys[row.c];
            const bool timed = !std::isnan(row.median);
            cells.push_back({characterName(char(row.c), utf8), std::to_string(key.asked),
                             percent(double(key.asked - key.missed), double(key.asked)),
                             timed ? fixed(row.median, 0) : "-",
                             timed ? wpmText(wpmOf(1, row.median)) : "-"});
        }
        return table(cells, {false, true, true, true, true});
    };
    std::vector<Row> slowest;
    for (const Row& row : rows) {
        if (!std::isnan(row.median)) {
            slowest.push_back(row);
        }
    }
    std::stable_sort(slowest.begin(), slowest.end(),
                     [](const Row& a, const Row& b) { return a.median > b.median; });
    slowest.resize(std::min(slowest.size(), TIMING_ROWS));
    std::vector<Row> missed;
    for (const Row& row : rows) {
        if (row.accuracy < 1.0) {
            missed.push_back(row);
        }
    }
    std::stable_sort(missed.begin(), missed.end(),
                     [](const Row& a, const Row& b) { return a.accuracy < b.accuracy; });
    missed.resize(std::min(missed.size(), TIMING_ROWS));
    const std::string asked = " (asked at least " + std::to_string(KEY_ASKED_AT_LEAST) + " times)";
    std::string text;
    if (!slowest.empty()) {
        text += "Slowest keys" + asked + ":\n" + tableOf(slowest);
    }
    if (!missed.empty()) {
        text += (text.empty() ? "" : "\n") + std::string("Least accurate keys") + asked + ":\n" +
                tableOf(missed);
    }
    return text;
}

std::string pairsTable(const KeystrokeAnalysis& analysis, bool utf8) {
    std::vector<std::pair<double, unsigned>> pairs;
    for (unsigned pair = 0; pair < 65536; ++pair) {
        const IntervalHistogram* times = analysis.pairHistogramOf(pair);
        if (times != nullptr && times->count() >= PAIR_TIMED_AT_LEAST) {
            pairs.emplace_back(times->median(), pair);
        }
    }
    if (pairs.empty()) {
        return "No pair of keys was typed right " + std::to_string(PAIR_TIMED_AT_LEAST) +
               " times yet.\n";
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    pairs.resize(std::min(pairs.size(), TIMING_ROWS));
    std::vector<std::vector<std::string>> rows = {{"pair", "typed right", "median ms", "wpm"}};
    for (const auto& [median, pair] : pairs) {
        rows.push_back({pairName(pair, utf8),
                        std::to_string(analysis.pairHistogramOf(pair)->count()), fixed(median, 0),
                        wpmText(wpmOf(1, median))});
    }
    return "Slowest pairs of keys (typed right at least " + std::to_string(PAIR_TIMED_AT_LEAST) +
           " times; the time of the second key):\n" + table(rows, {false, true, true, true});
}

// A word for the table: its bytes outside printable ASCII by name.
std::string wordName(const std::string& word, bool utf8) {
    std::string text;
    for (char c : word) {
        const unsigned code = static_cast<unsigned char>(c);
        text += code > 0x20 && code < 0x7F ? std::string(1, c) : characterName(c, utf8);
    }
    return text;
}

std::string wordsTables(const KeystrokeAnalysis& analysis, bool utf8) {
    using Entry = std::pair<const std::string*, const KeystrokeAnalysis::Word*>;
    std::vector<Entry> mistyped;
    std::vector<std::pair<double, Entry>> slowest;
    for (const auto& [word, stats] : analysis.words) {
        if (stats.mistyped > 0) {
            mistyped.push_back({&word, &stats});
        }
        if (stats.clean >= WORD_TIMED_AT_LEAST && word.size() > 1) {
            const double mean = stats.cleanMilliseconds / double(stats.clean);
            slowest.push_back({wpmOf(double(word.size() - 1), mean), {&word, &stats}});
        }
    }
    std::string text;
    if (mistyped.empty()) {
        text += "No word was mistyped.\n";
    } else {
        // Most often first; then at the higher rate; then in byte order.
        std::sort(mistyped.begin(), mistyped.end(), [](const Entry& a, const Entry& b) {
            if (a.second->mistyped != b.second->mistyped) {
                return a.second->mistyped > b.second->mistyped;
            }
            if (a.second->seen != b.second->seen) {
                return a.second->seen < b.second->seen;
            }
            return *a.first < *b.first;
        });
        mistyped.resize(std::min(mistyped.size(), TIMING_ROWS));
        std::vector<std::vector<std::string>> rows = {{"word", "mistyped", "typed", "rate"}};
        for (const Entry& entry : mistyped) {
            rows.push_back({wordName(*entry.first, utf8), std::to_string(entry.second->mistyped),
                            std::to_string(entry.second->seen),
                            percent(double(entry.second->mistyped), double(entry.second->seen))});
        }
        text += "Words mistyped most often:\n" + table(rows, {false, true, true, true});
    }
    if (!slowest.empty()) {
        std::sort(slowest.begin(), slowest.end(), [](const auto& a, const auto& b) {
            return a.first != b.first ? a.first < b.first : *a.second.first < *b.second.first;
        });
        slowest.resize(std::min(slowest.size(), TIMING_ROWS));
        std::vector<std::vector<std::string>> rows = {
            {"word", "typed right", "first to last key ms", "wpm"}};
        for (const auto& [wpm, entry] : slowest) {
            rows.push_back({wordName(*entry.first, utf8), std::to_string(entry.second->clean),
                            fixed(entry.second->cleanMilliseconds / double(entry.second->clean), 0),
                            wpmText(wpm)});
        }
        text += "\nWords typed slowest (typed right at least " +
                std::to_string(WORD_TIMED_AT_LEAST) + " times; from the first key to the last):\n" +
                table(rows, {false, true, true, true});
    }
    return text;
}

std::string confusionsTable(const KeystrokeAnalysis& analysis, bool utf8) {
    const size_t periods = analysis.periods.size();
    std::vector<std::pair<uint64_t, unsigned>> confusions;
    for (unsigned pair = 0; pair < 65536; ++pair) {
        const uint64_t count = analysis.confusionCount(pair, 0, periods);
        if (count > 0) {
            confusions.emplace_back(count, pair);
        }
    }
    if (confusions.empty()) {
        return "No confusions: every key was typed as asked.\n";
    }
    std::stable_sort(confusions.begin(), confusions.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    confusions.resize(std::min(confusions.size(), TIMING_ROWS));
    const size_t half = analysis.halfway();
    std::vector<std::vector<std::string>> rows = {
        {"asked", "typed", "times", "rate", "first half", "second half", ""}};
    for (const auto& [count, pair] : confusions) {
        const unsigned char asked = static_cast<unsigned char>(pair >> 8);
        const uint64_t firstAsked = analysis.askedCount(asked, 0, half);
        const uint64_t secondAsked = analysis.askedCount(asked, half, periods);
        const uint64_t first = analysis.confusionCount(pair, 0, half);
        const uint64_t second = analysis.confusionCount(pair, half, periods);
        std::string trend = "too few to tell";
        if (firstAsked >= HALF_ASKED_AT_LEAST && secondAsked >= HALF_ASKED_AT_LEAST) {
            // Compared as first / firstAsked against second / secondAsked.
            const double before = double(first) * double(secondAsked);
            const double after = double(second) * double(firstAsked);
            trend = after < before ? "falling" : after > before ? "rising" : "steady";
        }
        rows.push_back(
            {characterName(char(asked), utf8), characterName(char(pair & 0xFF), utf8),
             std::to_string(count), percent(double(count), double(analysis.keys[asked].asked)),
             firstAsked > 0 ? percent(double(first), double(firstAsked)) : "-",
             secondAsked > 0 ? percent(double(second), double(secondAsked)) : "-", trend});
    }
    return "Confusions (a key asked, another typed; the rate of all the times it was asked):\n" +
           table(rows, {false, false, true, true, true, true, false});
}

double meanOf(const std::deque<double>& values, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) {
        sum += values[i];
    }
    return sum / double(to - from);
}

std::string consistencyLines(const KeystrokeAnalysis& analysis) {
    std::string text = "Consistency (100 is perfectly even typing):\n";
    const ResultRecord& last = analysis.last;
    const double even = consistencyOf(last.intervals);
    text += "  Last attempt:   " + (std::isnan(even) ? std::string("-") : fixed(even, 1)) + "\n";
    const std::deque<double>& values = analysis.consistencies;
    const size_t n = values.size();
    const size_t recent = std::min(TREND_SPAN, n);
    if (recent > 0) {
        const size_t before = std::min(TREND_SPAN, n - recent);
        text += padded("  Last " + std::to_string(recent) + ":", 18, false) +
                fixed(meanOf(values, n - recent, n), 1) + " on average";
        if (before > 0) {
            text += ", " +
                    signedFixed(meanOf(values, n - recent, n) -
                                meanOf(values, n - recent - before, n - recent)) +
                    " against the " + std::to_string(before) + " before";
        }
        text += "\n";
    }
    const double shown = numberOf(last.speed);
    double keyTime = 0;
    for (size_t i = 1; i < last.intervals.size(); ++i) {
        keyTime += double(last.intervals[i]);
    }
    const double keyWpm = wpmOf(double(last.targetText.size()) - 1, keyTime);
    const auto both = [](double wpm) {
        return (std::isfinite(wpm) ? fixed(wpm, 2) : std::string("-")) + " wpm, " +
               (std::isfinite(wpm) ? fixed(wpm * 6 / 5, 2) : std::string("-")) +
               " wpm counting 5 characters a word";
    };
    text += "Speed of the last attempt (6 characters a word, as the window counts):\n";
    text += "  Start to end, as the window showed: " + both(shown) + "\n";
    if (last.targetText.size() > 1) {
        text += "  First key to last:                  " + both(keyWpm) + "\n";
    }
    return text;
}

// The last attempt's speed through the line: one column for each run of
// characters after the first.
std::string lastAttemptChart(const KeystrokeAnalysis& analysis, bool utf8) {
    const std::vector<uint32_t>& intervals = analysis.last.intervals;
    if (intervals.size() < 2) {
        return std::string();
    }
    const size_t timed = intervals.size() - 1;
    const size_t chunk = std::max(CHUNK_CHARACTERS, (timed + CHART_SPAN - 1) / CHART_SPAN);
    std::vector<double> speeds;
    for (size_t start = 1; start < intervals.size(); start += chunk) {
        const size_t end = std::min(intervals.size(), start + chunk);
        double time = 0;
        for (size_t i = start; i < end; ++i) {
            time += double(intervals[i]);
        }
        speeds.push_back(wpmOf(double(end - start), time));
    }
    return barChart("Speed through the last attempt (wpm over each " + std::to_string(chunk) +
                        " characters from the first key):\n",
                    speeds, utf8);
}

std::string practiceLines(const KeystrokeAnalysis& analysis, bool utf8) {
    std::string text;
    if (analysis.practiceAttempts > 0) {
        text += "Practice attempts: " + std::to_string(analysis.practiceAttempts) + ", " +
                fixed(analysis.practiceSpeedSum / double(analysis.practiceAttempts), 2) +
                " wpm on average";
        if (analysis.otherWordAttempts > 0) {
            text += " (other word attempts: " +
                    fixed(analysis.otherWordSpeedSum / double(analysis.otherWordAttempts), 2) +
                    " wpm)";
        }
        text += "\n";
    }
    if (analysis.queueSize > 0 || !analysis.leftQueue.empty()) {
        const size_t queued = analysis.queueSize;
        text += "Practice queue: " + std::to_string(queued) + (queued == 1 ? " word" : " words") +
                " to type again";
        if (analysis.leftQueue.empty()) {
            text += "\n";
        } else {
            text += "; left it lately, typed right three times in a row:\n";
            for (auto it = analysis.leftQueue.rbegin(); it != analysis.leftQueue.rend(); ++it) {
                text += "  " + shownTime(it->time) + "  " + wordName(it->word, utf8) + "\n";
            }
        }
    }
    return text;
}

std::string timingSections(const HistorySummary& summary, bool utf8) {
    const KeystrokeAnalysis& analysis = summary.keystrokes;
    std::string text;
    if (analysis.untimedAttempts > 0) {
        const uint64_t untimed = analysis.untimedAttempts;
        text += "\n" + std::to_string(untimed) + " of " + std::to_string(summary.count) +
                " attempts " + (untimed == 1 ? "has" : "have") + " no keystroke timing and " +
                (untimed == 1 ? "is" : "are") + " left out below.\n";
    }
    text += "\n" + keysTables(analysis, utf8);
    text += "\n" + pairsTable(analysis, utf8);
    text += "\n" + wordsTables(analysis, utf8);
    text += "\n" + confusionsTable(analysis, utf8);
    text += "\n" + consistencyLines(analysis);
    const std::string bars = lastAttemptChart(analysis, utf8);
    if (!bars.empty()) {
        text += "\n" + bars;
    }
    const std::string practice = practiceLines(analysis, utf8);
    if (!practice.empty()) {
        text += "\n" + practice;
    }
    return text;
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

std::string pairName(unsigned pair, bool utf8) {
    const char first = char(pair >> 8);
    const char second = char(pair & 0xFF);
    const auto plain = [](char c) { return c > 0x20 && c < 0x7F; };
    if (plain(first) && plain(second)) {
        return std::string{first, second};
    }
    return characterName(first, utf8) + " + " + characterName(second, utf8);
}

HistorySummary::HistorySummary(size_t lastKept)
    : kept(std::max({lastKept, CHART_SPAN, 2 * TREND_SPAN})) {}

void HistorySummary::add(const ResultRecord& record) {
    ++count;
    const double speed = numberOf(record.speed);
    // Word records without a language are of the English list.
    const std::string language = !wordMode(record.mode)    ? ""
                                 : record.language.empty() ? "en"
                                                           : record.language;
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
    keystrokes.add(record);
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
    text += mistypedTable(summary, utf8);
    if (summary.keystrokes.timedAttempts > 0) {
        text += timingSections(summary, utf8);
    }
    return text;
}

bool readResults(const std::string& path, const std::function<void(const ResultRecord&)>& each,
                 size_t& damaged, std::string& error) {
    damaged = 0;
    if (path.empty() || !pathExists(path)) {
        return true;
    }
    std::string why;
    std::FILE* file = openRegularFile(path, &why);
    if (file == nullptr) {
        error = "cannot read \"" + path + "\": " + why;
        return false;
    }
    ResultRecord record;
    const bool read = forEachLine(file, LONGEST_RESULT_LINE, [&](const std::string& line) {
        if (isResultLine(line)) {
            if (parseRecord(line, record)) {
                each(record);
            } else {
                ++damaged;
            }
        }
    });
    std::fclose(file);
    if (!read) {
        error = "cannot read \"" + path + "\": " + std::strerror(EIO);
        return false;
    }
    return true;
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
    HistorySummary summary(std::min(count, HISTORY_TABLE_LIMIT));
    size_t damaged = 0;
    std::string error;
    if (!readResults(
            path, [&summary](const ResultRecord& record) { summary.add(record); }, damaged,
            error)) {
        errors << "tapquill: " << error << std::endl;
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
