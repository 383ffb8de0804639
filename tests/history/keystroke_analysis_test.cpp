#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "game/scoring.h"
#include "history/history.h"
#include "history/history_report.h"
#include "history/keystroke_analysis.h"

namespace {

// A timed record of `target` typed with `intervals`, the characters at the
// positions of `typed` typed as given, written out and read back as the
// results file would hold it.
ResultRecord timedRecord(const std::string& target, const std::vector<uint32_t>& intervals,
                         const std::map<uint32_t, char>& typed, AttemptMode mode,
                         const std::string& speed) {
    ResultRecord record;
    record.time = "2026-12-07T18:23:06+01:00";
    record.mode = mode;
    record.wordCount = 2;
    record.language = "en";
    record.targetText = target;
    record.intervals = intervals;
    for (const auto& [at, c] : typed) {
        record.mistyped.emplace_back(target[at], c);
        record.mistypedAt.push_back(at);
    }
    record.mismatches = int32_t(typed.size());
    record.milliseconds = 2000;
    record.speed = speed;
    record.errorPercentage = formatFloat(errorPercentage(record.mismatches, target.size()));
    ResultRecord read;
    EXPECT_TRUE(parseRecord(formatRecord(record), read)) << formatRecord(record);
    EXPECT_TRUE(read.timed());
    return read;
}

bool has(const std::string& report, const std::string& text) {
    return report.find(text) != std::string::npos;
}

TEST(KeystrokeAnalysis, HistogramsAndConsistencyHoldHostileValues) {
    IntervalHistogram times;
    EXPECT_EQ(times.median(), 0);
    for (uint32_t value : {100u, 300u, 200u, 4000000000u}) {
        times.add(value);
    }
    EXPECT_EQ(times.median(), 250); // 200 and 300 in the middle
    times.add(UINT32_MAX);
    EXPECT_EQ(times.median(), 300);
    times.add(UINT32_MAX);
    times.add(UINT32_MAX);
    EXPECT_EQ(times.median(), 2000); // 2000 ms and more share one bin

    RunningMedian middle;
    for (uint32_t value : {500u, 100u, 300u, 200u, UINT32_MAX, 250u}) {
        middle.add(value);
    }
    EXPECT_EQ(middle.median(), 250); // the lower middle of 100 200 250 300 500 2000

    EXPECT_DOUBLE_EQ(consistencyOf({900, 200, 200, 200}), 100);
    EXPECT_DOUBLE_EQ(consistencyOf({0, 100, 300, 100, 300}), 50);
    EXPECT_DOUBLE_EQ(consistencyOf({0, 0, 0}), 100);
    EXPECT_DOUBLE_EQ(consistencyOf({0, 1, UINT32_MAX, 1, UINT32_MAX, 1}), 0);
    EXPECT_TRUE(std::isnan(consistencyOf({100, 200})));
}

// Forty attempts at "abc abd": a 100 ms, b 300, c 200, space 150, d 410 ms
// after the key before; in the first four c is typed as x; the last ten are
// practice, the last of all typed unevenly; one attempt before them all has
// no timing.
TEST(KeystrokeAnalysis, ReportOfAHandMadeHistoryGivesTheKnownAnswers) {
    const std::string target = "abc abd";
    const std::vector<uint32_t> usual = {1000, 300, 200, 150, 100, 300, 410};
    HistorySummary summary(20);
    ResultRecord untimed = timedRecord(target, usual, {}, AttemptMode::Words, "30.000000");
    untimed.intervals.clear();
    summary.add(untimed);
    for (int i = 0; i < 40; ++i) {
        const bool practice = i >= 30;
        std::map<uint32_t, char> typed;
        if (i < 4) {
            typed[2] = 'x';
        }
        std::vector<uint32_t> intervals = usual;
        if (i == 39) {
            intervals = {1000, 100, 300, 100, 300, 100, 300};
        }
        summary.add(timedRecord(target, intervals, typed,
                                practice ? AttemptMode::Practice : AttemptMode::Words,
                                i == 39    ? "35.000000"
                                : practice ? "40.000000"
                                           : "30.000000"));
    }
    const KeystrokeAnalysis& analysis = summary.keystrokes;
    EXPECT_EQ(analysis.timedAttempts, 40u);
    EXPECT_EQ(analysis.keys['c'].asked, 40u);
    EXPECT_EQ(analysis.keys['c'].missed, 4u);
    EXPECT_EQ(analysis.keyHistogram('a')->count(), 40u); // the first a has no time
    EXPECT_EQ(analysis.keyHistogram('d')->median(), 410);
    EXPECT_EQ(analysis.pairHistogramOf('c' << 8 | ' ')->count(), 36u);
    // 236 keystrokes typed right after the first: 42 at 100 ms, 39 at 150,
    // 35 at 200, 81 at 300, 39 at 410.
    EXPECT_EQ(analysis.allKeys().count(), 236u);
    EXPECT_EQ(analysis.allKeys().median(), 300);

    const std::string report = historyReport(summary, 5, false);
    const char* const expected[] = {
        "1 of 41 attempts has no keystroke timing and is left out below.\n",
        // Slowest first; a, the first character, is timed only after the space.
        "Slowest keys (asked at least 20 times):\n"
        "  key   asked accuracy median ms   wpm\n"
        "  d        40   100.0%       410  24.4\n"
        "  b        80   100.0%       300  33.3\n"
        "  c        40    90.0%       200  50.0\n"
        "  space    40   100.0%       150  66.7\n"
        "  a        80   100.0%       100 100.0\n",
        "Least accurate keys (asked at least 20 times):\n"
        "  key asked accuracy median ms  wpm\n"
        "  c      40    90.0%       200 50.0\n",
        // A pair after a mistyped key is not timed: c + space 36 times.
        "  pair      typed right median ms   wpm\n"
        "  bd                 40       410  24.4\n"
        "  ab                 80       300  33.3\n"
        "  bc                 36       200  50.0\n"
        "  c + space          36       150  66.7\n"
        "  space + a          40       100 100.0\n",
        "Words mistyped most often:\n"
        "  word mistyped typed  rate\n"
        "  abc         4    40 10.0%\n",
        // abd: 39 times 710 ms and once 400; abc: 35 times 500 and once 400.
        "  word typed right first to last key ms  wpm\n"
        "  abd           40                  702 28.5\n"
        "  abc           36                  497 40.2\n",
        // The first twenty attempts against the last twenty.
        "  asked typed times  rate first half second half\n"
        "  c     x         4 10.0%      20.0%        0.0% falling\n",
        "  Last attempt:   50.0\n",
        "  Start to end, as the window showed: 35.00 wpm, 42.00 wpm counting 5 characters a word\n"
        "  First key to last:                  50.00 wpm, 60.00 wpm counting 5 characters a word\n",
        // Five keys in 900 ms, then one in 300 ms.
        "Speed through the last attempt (wpm over each 5 characters from the first key):\n"
        " 55.56 +#\n",
        " 33.33 +#.\n",
        "Practice attempts: 10, 39.50 wpm on average (other word attempts: 30.00 wpm)\n",
        // abc, queued when mistyped, typed right three times after.
        "Practice queue: 0 words to type again; left it lately, typed right three times in a "
        "row:\n"
        "  2026-12-07 18:23:06  abc\n",
    };
    for (const char* text : expected) {
        EXPECT_TRUE(has(report, text)) << "missing:\n" << text << "\nin:\n" << report;
    }
    const double usualEven = consistencyOf(usual);
    char trend[96];
    std::snprintf(trend, sizeof trend,
                  "  Last 10:        %.1f on average, %+.2f against the 10 before\n",
                  (9 * usualEven + 50) / 10, (50 - usualEven) / 10);
    EXPECT_TRUE(has(report, trend)) << trend << report;

    // Without timing, nothing follows today's last section.
    HistorySummary plain(20);
    plain.add(untimed);
    const std::string today = historyReport(plain, 5, true);
    EXPECT_EQ(today.substr(today.find("Speed of the last")), "Speed of the last 1 attempts (wpm):\n"
                                                             " 30.00 ┤\n"
                                                             "       │\n"
                                                             "       │\n"
                                                             "       │\n"
                                                             "       │█\n"
                                                             "       │█\n"
                                                             "       │█\n"
                                                             " 30.00 ┤█\n"
                                                             "\n"
                                                             "No character was mistyped.\n");
}

} // namespace
