#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include "history/history.h"
#include "history/history_report.h"
#include "platform/files.h"
#include "tests/support/test_files.h"

namespace {

ResultRecord sampleRecord() {
    ResultRecord record;
    record.time = "2026-12-07T18:23:06+01:00";
    record.wordCount = 2;
    record.targetText = "ab cd";
    record.mismatches = 1;
    record.milliseconds = 12000;
    record.speed = "0.833333";
    record.errorPercentage = "20.000000";
    record.mistyped = {{'c', 'x'}};
    return record;
}

// The sample typed with its keystrokes timed, the mistyped c the fourth.
ResultRecord timedSampleRecord() {
    ResultRecord record = sampleRecord();
    record.intervals = {300, 200, 100, 250, 120};
    record.mistypedAt = {3};
    return record;
}

void expectSameRecord(const ResultRecord& read, const ResultRecord& written) {
    EXPECT_EQ(read.time, written.time);
    EXPECT_EQ(read.mode, written.mode);
    EXPECT_EQ(read.wordCount, written.wordCount);
    EXPECT_EQ(read.targetText, written.targetText);
    EXPECT_EQ(read.mismatches, written.mismatches);
    EXPECT_EQ(read.milliseconds, written.milliseconds);
    EXPECT_EQ(read.speed, written.speed);
    EXPECT_EQ(read.errorPercentage, written.errorPercentage);
    EXPECT_EQ(read.mistyped, written.mistyped);
}

TEST(ResultRecords, EveryByteValueSurvivesTheRoundTripInPlainAscii) {
    ResultRecord record = sampleRecord();
    record.mode = AttemptMode::Verses;
    record.wordCount = 0;
    record.targetText.clear();
    record.mistyped.clear();
    for (int b = 0; b < 256; ++b) {
        record.targetText += char(b);
        record.mistyped.emplace_back(char(b), char(255 - b));
    }
    // A first character that a spreadsheet would take for a formula.
    record.targetText[0] = '=';
    record.mismatches = 256;

    const std::string line = formatRecord(record);
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    for (size_t i = 0; i + 2 < line.size(); ++i) {
        ASSERT_TRUE(line[i] >= 0x20 && line[i] < 0x7F) << "byte " << i << " of " << line;
    }
    EXPECT_NE(line.find(",verses,,256,256,12000,0.833333,20.000000,\"%3D"), std::string::npos)
        << line;

    ResultRecord read;
    ASSERT_TRUE(parseRecord(line, read)) << line;
    expectSameRecord(read, record);
}

TEST(ResultRecords, TimingLanguageAndSourceSurviveTheRoundTrip) {
    ResultRecord record = sampleRecord();
    record.language = "fr";
    record.intervals = {0, 25, 26, 120, 675, 676, 17576, UINT32_MAX};
    record.targetText = "ab cdefg";
    record.mistyped = {{'c', 'x'}, {'g', 'h'}};
    record.mistypedAt = {3, 7};
    record.mismatches = 2;
    const std::string line = formatRecord(record);
    EXPECT_NE(line.find(",fr,\"\",azBa*EqZzBAaBAAa*NXMRLXv\r\n"), std::string::npos) << line;
    ResultRecord read;
    ASSERT_TRUE(parseRecord(line, read)) << line;
    expectSameRecord(read, record);
    EXPECT_EQ(read.language, "fr");
    EXPECT_EQ(read.intervals, record.intervals);
    EXPECT_EQ(read.mistypedAt, record.mistypedAt);

    record = sampleRecord();
    record.mode = AttemptMode::Text;
    record.wordCount = 0;
    record.source = "/home/me/notes, \"draft\".txt";
    ASSERT_TRUE(parseRecord(formatRecord(record), read));
    EXPECT_EQ(read.mode, AttemptMode::Text);
    EXPECT_EQ(read.source, record.source);
    EXPECT_EQ(read.language, "");
}

TEST(ResultRecords, ADamagedTimingFieldLosesOnlyTheTiming) {
    // "ab cd" typed with "c" mistyped: five intervals, the fourth marked.
    const std::string start = "2026-12-07T18:23:06+01:00,practice,2,5,1,12000,0.833333,20.000000,"
                              "\"ab cd\",\"c>x\",de,\"\",";
    ResultRecord read;
    ASSERT_TRUE(parseRecord(start + "EqEqEq*EqEq", read));
    EXPECT_EQ(read.intervals.size(), 5u);
    EXPECT_EQ(read.mistypedAt, std::vector<uint32_t>{3});
    const char* const damaged[] = {
        "EqEqEqEq",           // one interval short
        "EqEqEq*EqEqEq",      // one too many
        "EqEq*EqEqEq",        // the mark on a character typed right
        "EqEqEqEqEq",         // the mistyped one not marked
        "EqEqEq*Eq*Eq",       // two marks for one mismatch
        "EqEqEq*EqE",         // cut inside a number
        "EqEqEq*EqE7",        // not a letter
        "EqEqEq*EqZZZZZZZZz", // beyond 32 bits
        "EqEqEq**EqEq",
    };
    for (const char* field : damaged) {
        ASSERT_TRUE(parseRecord(start + field, read)) << field;
        EXPECT_FALSE(read.timed()) << field;
        EXPECT_EQ(read.mistyped, (std::vector<std::pair<char, char>>{{'c', 'x'}})) << field;
        EXPECT_EQ(read.speed, "0.833333") << field;
    }
    // A record of 1.0.0 played the English list and has no timing; one with
    // eleven or twelve columns was cut short.
    const std::string old =
        start.substr(0, start.find(",practice,")) + ",words" +
        start.substr(start.find(",2,5,"), start.find(",de,") - start.find(",2,5,"));
    ASSERT_TRUE(parseRecord(old, read)) << old;
    EXPECT_EQ(read.language, "en");
    EXPECT_FALSE(read.timed());
    EXPECT_FALSE(parseRecord(old + ",de", read));
    EXPECT_FALSE(parseRecord(old + ",de,\"\"", read));
    // Language and source only where the mode has them.
    EXPECT_FALSE(parseRecord(start.substr(0, start.find(",de,")) + ",DE,\"\",", read));
    EXPECT_FALSE(parseRecord(old + ",,\"x.txt\",", read));
}

TEST(ResultRecords, LinesThatAreNotWholeRecordsAreSkippedAndCounted) {
    const std::string good = formatRecord(sampleRecord());
    const std::string body = good.substr(0, good.size() - 2);
    const std::string damaged[] = {
        "2026-12-07 18:23:06,words,2,5,1,12000,0.833333,20.000000,\"ab cd\",\"c>x\"",
        "2026-12-07T18:23:06+01:00,sprint,2,5,1,12000,0.833333,20.000000,\"ab cd\",\"c>x\"",
        "2026-12-07T18:23:06+01:00,words,2,6,1,12000,0.833333,20.000000,\"ab cd\",\"c>x\"",
        "2026-12-07T18:23:06+01:00,words,2,5,2,12000,0.833333,20.000000,\"ab cd\",\"c>x\"",
        "2026-12-07T18:23:06+01:00,words,2,5,1,12000,fast,20.000000,\"ab cd\",\"c>x\"",
        "2026-12-07T18:23:06+01:00,words,2,5,1,12000,0.833333,20.000000,\"ab%2\",\"c>x\"",
        "2026-12-07T18:23:06+01:00,words,2,5,1,12000,0.833333,20.000000,\"ab cd\",\"c-x\"",
        "2026-12-07T18:23:06+01:00,words,2,5,1,12000,0.833333,20.000000,\"ab cd\"",
        body.substr(0, body.size() - 4), // a line cut short by a crash
        "\"unclosed,quote",
    };
    std::string text = RESULTS_HEADER + good;
    for (const std::string& line : damaged) {
        text += line + "\r\n" + good;
    }
    text += "\n\r\n" + body; // empty lines, and a last record without its line end
    std::vector<ResultRecord> records;
    EXPECT_EQ(parseRecords(text, records), std::size(damaged));
    ASSERT_EQ(records.size(), std::size(damaged) + 2);
    for (const ResultRecord& record : records) {
        expectSameRecord(record, sampleRecord());
    }
}

TEST(ResultsFile, AppendsWholeLinesAfterOneHeaderAndWarnsOnceWhenItCannot) {
    TempFolder folder;
    const std::string path = (folder.path / "made" / "tapquill" / "results.csv").string();
    std::ostringstream warnings;
    ResultsHistory history(warnings);
    history.record(sampleRecord()); // not kept yet: nothing written
    EXPECT_FALSE(pathExists(path));

    history.keepIn(path);
    history.record(sampleRecord());
    history.record(sampleRecord());
    std::string contents = fileContents(path);
    const std::string line = formatRecord(sampleRecord());
    EXPECT_EQ(contents, RESULTS_HEADER + line + line);

    // A last line left without its end is ended before the next record.
    folder.write("made/tapquill/results.csv", contents + "2026-12-0");
    history.record(sampleRecord());
    contents = fileContents(path);
    EXPECT_EQ(contents, RESULTS_HEADER + line + line + "2026-12-0\r\n" + line);
    EXPECT_EQ(warnings.str(), "");

    // A folder where the file should be: one warning, then silence.
    const std::string blocked = (folder.path / "blocked" / "results.csv").string();
    std::filesystem::create_directories(blocked);
    ResultsHistory nowhere(warnings);
    nowhere.keepIn(blocked);
    nowhere.record(sampleRecord());
    nowhere.record(sampleRecord());
    EXPECT_EQ(warnings.str(),
              "tapquill: cannot record the result in \"" + blocked + "\": Is a directory\n");
}

// A file of 1.0.0 with every kind of line: records, lines cut short or
// hand-made with other field counts, a line of today's columns, an empty
// line, the header of a file joined to it, a line feed without a carriage
// return, and a last record without its line end.
std::string oldFile() {
    const std::string record = formatOldRecord(sampleRecord());
    const std::string body = record.substr(0, record.size() - 2);
    return RESULTS_HEADER_1_0 + record + "garbage\r\n" + body.substr(0, 40) + "\r\n" + body +
           ",extra\r\n" + formatRecord(sampleRecord()) + "\r\n" + RESULTS_HEADER_1_0 + body + "\n" +
           "\"unclosed," + body + "\r\n" + body;
}

// What the upgrade makes of it: the header of today, and three empty fields
// before the end of every line of ten fields.
std::string upgradedOldFile() {
    const std::string record = formatOldRecord(sampleRecord());
    const std::string body = record.substr(0, record.size() - 2);
    const std::string oldHeader = RESULTS_HEADER_1_0;
    return RESULTS_HEADER + body + ",,,\r\n" + "garbage\r\n" + body.substr(0, 40) + "\r\n" + body +
           ",extra\r\n" + formatRecord(sampleRecord()) + "\r\n" +
           oldHeader.substr(0, oldHeader.size() - 2) + ",,,\r\n" + body + ",,,\n" + "\"unclosed," +
           body + "\r\n" + body + ",,,";
}

std::vector<std::string> recordsOf(const std::string& text, size_t& damaged) {
    std::vector<ResultRecord> records;
    damaged = parseRecords(text, records);
    std::vector<std::string> lines;
    for (const ResultRecord& record : records) {
        lines.push_back(formatRecord(record));
    }
    return lines;
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ResultsUpgrade, EveryLineKeepsItsBytesAndReadsAsBefore) {
    const std::string old = oldFile();
    // Handed over in pieces of any size, the file comes out the same.
    for (const size_t piece : {size_t(1), size_t(2), size_t(7), size_t(64), old.size()}) {
        ResultsUpgrade upgrade;
        std::string out;
        for (size_t at = 0; at < old.size(); at += piece) {
            upgrade(old.data() + at, std::min(piece, old.size() - at), false, out);
        }
        upgrade(nullptr, 0, true, out);
        EXPECT_EQ(out, upgradedOldFile()) << "pieces of " << piece;
    }
    // The same records, and the same lines that are none.
    size_t damagedBefore = 0;
    size_t damagedAfter = 0;
    const auto before = recordsOf(old, damagedBefore);
    EXPECT_EQ(before.size(), 4u);
    EXPECT_EQ(damagedBefore, 4u);
    EXPECT_EQ(recordsOf(upgradedOldFile(), damagedAfter), before);
    EXPECT_EQ(damagedAfter, damagedBefore);

    // A line longer than the longest record passes as it is, in pieces, even
    // when it has ten fields.
    const std::string longLine = "1,2,3,4,5,6,7,8,9," + std::string(150, 'x') + "\r\n";
    const std::string text = std::string(RESULTS_HEADER_1_0) + longLine + "1,2,3,4,5,6,7,8,9,0\r\n";
    ResultsUpgrade upgrade(100);
    std::string out;
    for (size_t at = 0; at < text.size(); at += 10) {
        upgrade(text.data() + at, std::min<size_t>(10, text.size() - at), false, out);
    }
    upgrade(nullptr, 0, true, out);
    EXPECT_EQ(out, RESULTS_HEADER + longLine + "1,2,3,4,5,6,7,8,9,0,,,\r\n");
}

TEST(ResultsFile, AFileOf100IsUpgradedOnceBesideACopyOfItself) {
    TempFolder folder;
    const std::string path = folder.write("results.csv", oldFile());
    // --history only reads it.
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(showHistory(path, 20, false, out, errors), 0);
    EXPECT_NE(out.str().find("Last 4 of 4 attempts:"), std::string::npos) << out.str();
    EXPECT_EQ(fileContents(path), oldFile());
    EXPECT_EQ(namesIn(folder.path), std::vector<std::string>{"results.csv"});

    // A file of the player's own under the backup's first name stays his.
    folder.write("results-1.0.0.csv", "mine");
    std::ostringstream warnings;
    ResultsHistory history(warnings);
    history.keepIn(path);
    const ResultRecord timed = timedSampleRecord();
    history.record(timed);
    const std::string line = formatRecord(timed);
    EXPECT_EQ(fileContents(path), upgradedOldFile() + "\r\n" + line);
    EXPECT_EQ(fileContents((folder.path / "results-1.0.0-2.csv").string()), oldFile());
    EXPECT_EQ(fileContents((folder.path / "results-1.0.0.csv").string()), "mine");
    EXPECT_EQ(namesIn(folder.path), (std::vector<std::string>{"results-1.0.0-2.csv",
                                                              "results-1.0.0.csv", "results.csv"}));
    // Once only.
    history.record(timed);
    EXPECT_EQ(fileContents(path), upgradedOldFile() + "\r\n" + line + line);
    EXPECT_EQ(namesIn(folder.path).size(), 3u);
    EXPECT_EQ(warnings.str(), "");

    // A file whose header was edited by hand is not the program's to rewrite.
    std::string edited = oldFile();
    edited[0] = 'T';
    folder.write("edited.csv", edited);
    ResultsHistory other(warnings);
    other.keepIn((folder.path / "edited.csv").string());
    other.record(timed);
    EXPECT_EQ(fileContents((folder.path / "edited.csv").string()), edited + "\r\n" + line);
    EXPECT_EQ(namesIn(folder.path).size(), 4u);
}

#ifndef _WIN32
TEST(ResultsFile, AFileOf100ReachedByALinkIsUpgradedWhereItIs) {
    TempFolder folder;
    std::filesystem::create_directory(folder.path / "synced");
    const std::string real = folder.write("synced/results.csv", oldFile());
    const std::filesystem::path link = folder.path / "results.csv";
    std::filesystem::create_symlink(real, link);
    std::ostringstream warnings;
    ResultsHistory history(warnings);
    history.keepIn(link.string());
    history.record(sampleRecord());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(fileContents(real), upgradedOldFile() + "\r\n" + formatRecord(sampleRecord()));
    EXPECT_EQ(fileContents((folder.path / "synced" / "results-1.0.0.csv").string()), oldFile());
    EXPECT_EQ(namesIn(folder.path), (std::vector<std::string>{"results.csv", "synced"}));
}
#endif

TEST(ResultsFile, AnUpgradeThatCannotBeMadeLeavesTheOldColumnsAndWarnsOnce) {
    TempFolder folder;
    const std::string old = std::string(RESULTS_HEADER_1_0) + formatOldRecord(sampleRecord());
    const std::string path = folder.write("results.csv", old);
    // A folder where the new file would be written.
    const std::filesystem::path blocker =
        folder.path / (".results.csv.upgrade-" + std::to_string(getpid()));
    std::filesystem::create_directory(blocker);
    std::ostringstream warnings;
    ResultsHistory history(warnings);
    history.keepIn(path);
    const ResultRecord timed = timedSampleRecord();
    history.record(timed);
    history.record(timed);
    const std::string stillOld = old + formatOldRecord(timed) + formatOldRecord(timed);
    EXPECT_EQ(fileContents(path), stillOld);
    EXPECT_EQ(namesIn(folder.path).size(), 2u);
    EXPECT_EQ(warnings.str().rfind(
                  "tapquill: cannot upgrade \"" + path + "\" to this version's columns (", 0),
              0u)
        << warnings.str();
    EXPECT_NE(warnings.str().find("): results are added in the old ones until it can be\n"),
              std::string::npos)
        << warnings.str();
    EXPECT_EQ(warnings.str().find('\n'), warnings.str().size() - 1) << warnings.str();

    // The next record, when it can, upgrades the file as it is by then.
    std::filesystem::remove(blocker);
    history.record(timed);
    EXPECT_EQ(fileContents((folder.path / "results-1.0.0.csv").string()), stillOld);
    size_t damaged = 0;
    EXPECT_EQ(recordsOf(fileContents(path), damaged).size(), 4u);
    EXPECT_EQ(fileContents(path).substr(fileContents(path).size() - formatRecord(timed).size()),
              formatRecord(timed));
}

TEST(HistoryReport, ReadsTheFileLineByLineAndCountsWhatIsNoRecord) {
    TempFolder folder;
    const std::string path = (folder.path / "results.csv").string();
    std::ostringstream out;
    std::ostringstream errors;
    EXPECT_EQ(showHistory(path, 20, false, out, errors), 0);
    EXPECT_EQ(out.str(), "Nothing recorded yet: finished attempts are kept in \"" + path + "\".\n");

    // A line far longer than any record is held only in part, and skipped.
    const std::string line = formatRecord(sampleRecord());
    folder.write("results.csv", RESULTS_HEADER + line + std::string(20 << 20, 'x') + "\n" +
                                    line.substr(0, line.size() - 2));
    out.str("");
    EXPECT_EQ(showHistory(path, 20, false, out, errors), 0);
    EXPECT_NE(out.str().find("Last 2 of 2 attempts:"), std::string::npos) << out.str();
    EXPECT_EQ(errors.str(), "tapquill: skipped 1 line of \"" + path + "\" that is not a result\n");
}

TEST(HistoryReport, TableSummaryChartAndMistypedCharacters) {
    std::vector<ResultRecord> records;
    for (int i = 0; i < 25; ++i) {
        ResultRecord record = sampleRecord();
        record.time = "2026-12-" + std::to_string(10 + i % 10) + "T18:23:06+01:00";
        record.speed = std::to_string(40 + i) + ".000000"; // rising by one an attempt
        record.errorPercentage = i < 15 ? "20.000000" : "0.000000";
        record.targetText = "ab cd";
        record.mistyped = {{i % 2 ? ' ' : 'c', '\t'}};
        records.push_back(record);
    }
    HistorySummary summary(3);
    for (const ResultRecord& record : records) {
        summary.add(record);
    }
    const std::string report = historyReport(summary, 3, true);
    // The last three attempts only, as the window showed their speed.
    EXPECT_NE(report.find("Last 3 of 25 attempts:"), std::string::npos) << report;
    EXPECT_NE(report.find("64.000000"), std::string::npos) << report;
    EXPECT_NE(report.find("62.000000"), std::string::npos) << report;
    EXPECT_EQ(report.find("61.000000"), std::string::npos) << report;
    EXPECT_NE(report.find("Personal best:     64.000000 wpm on 2026-12-14 18:23:06"),
              std::string::npos)
        << report;
    // The last ten average 59.5 wpm, ten more than the ten before; no errors
    // against 20% in each of the ten before.
    EXPECT_NE(report.find("59.50 wpm on average, +10.00 against the 10 before"), std::string::npos)
        << report;
    EXPECT_NE(report.find("0.00% errors on average, -20.00 against the 10 before"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(" 64.00 ┤"), std::string::npos) << report;
    EXPECT_NE(report.find(" 40.00 ┤▁"), std::string::npos) << report;
    EXPECT_NE(report.find("█\n"), std::string::npos) << report;
    // Spaces (12 of 25) and c (13 of 25) typed as tabs, shown by name.
    EXPECT_NE(report.find("\n  c               13    25 52.0% tab (13 times)\n"), std::string::npos)
        << report;
    EXPECT_NE(report.find("\n  space           12    25 48.0% tab (12 times)\n"), std::string::npos)
        << report;

    const std::string ascii = historyReport(summary, 3, false);
    EXPECT_NE(ascii.find(" 40.00 +."), std::string::npos) << ascii;
    for (unsigned char c : ascii) {
        ASSERT_LT(c, 0x80u) << ascii;
    }
}

TEST(HistoryReport, ModesNameTheirLanguageOrTextAndEachHasItsOwnBest) {
    struct Played {
        AttemptMode mode;
        const char* language;
        const char* source;
        const char* speed;
    };
    const Played played[] = {
        {AttemptMode::Words, "", "", "50.000000"}, // a record of 1.0.0: English
        {AttemptMode::Words, "fr", "", "40.000000"},
        {AttemptMode::Text, "", "books/notes.txt", "30.000000"},
        {AttemptMode::Words, "en", "", "55.000000"},
        {AttemptMode::Verses, "", "", "45.000000"},
        {AttemptMode::Words, "fr", "", "42.000000"},
        {AttemptMode::Text, "", "-", "35.000000"},
        {AttemptMode::Words, "de", "", "inf"}, // no finite speed: no best
    };
    HistorySummary summary(20);
    int day = 10;
    for (const Played& p : played) {
        ResultRecord record = sampleRecord();
        record.time = "2026-12-" + std::to_string(day++) + "T18:23:06+01:00";
        record.mode = p.mode;
        record.wordCount = p.mode == AttemptMode::Words ? 2 : 0;
        record.language = p.language;
        record.source = p.source;
        record.speed = p.speed;
        summary.add(record);
    }
    const std::string report = historyReport(summary, 20, false);
    for (const char* row :
         {"10 18:23:06 2 words  ", "11 18:23:06 2 words fr ", "12 18:23:06 text notes.txt ",
          "14 18:23:06 verses ", "16 18:23:06 text (standard input) ", "17 18:23:06 2 words de "}) {
        EXPECT_NE(report.find(row), std::string::npos) << row << "\n" << report;
    }
    EXPECT_EQ(report.find("words en"), std::string::npos) << report;
    EXPECT_NE(report.find("Personal bests:    words     55.000000 wpm on 2026-12-13 18:23:06\n"
                          "                   words fr  42.000000 wpm on 2026-12-15 18:23:06\n"
                          "                   verses    45.000000 wpm on 2026-12-14 18:23:06\n"
                          "                   text      35.000000 wpm on 2026-12-16 18:23:06\n"),
              std::string::npos)
        << report;

    // Attempts of one mode and language keep the one line of before.
    HistorySummary french(20);
    ResultRecord record = sampleRecord();
    record.language = "fr";
    french.add(record);
    EXPECT_NE(historyReport(french, 20, false)
                  .find("Personal best:     0.833333 wpm on 2026-12-07 18:23:06\n"),
              std::string::npos);
}

} // namespace
