// libFuzzer entry for the results file: --history reads any file to a
// report (or to lines skipped and counted); every line that reads as a
// record, its keystroke timing included, writes back as a line that reads as
// the same record; the upgrade of a 1.0.0 file keeps every byte of every
// line and gives the same records; and practice draws targets of the asked
// length from whatever plan the file gives.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/harness_support.h"
#include "history/history.h"
#include "history/history_report.h"
#include "history/practice.h"

namespace {

void drawPractice(const std::string& path) {
    PracticePlan plan("en");
    std::string error;
    fuzzRequire(loadPracticePlan(path, plan, error), "the practice plan of a readable file failed");
    fuzzRequire(!plan.describe().empty(), "practice said nothing");
    static const WordList words = {"ab", "cd", "ef", "x"};
    RandomGenerator random(2026);
    std::string target;
    for (int i = 0; i < 4; ++i) {
        plan.drawTarget(words, 6, random, target);
        fuzzRequire(std::count(target.begin(), target.end(), ' ') == 5,
                    "a practice target is not six words");
    }
}

} // namespace

namespace {

bool sameRecord(const ResultRecord& one, const ResultRecord& other) {
    return one.time == other.time && one.mode == other.mode && one.wordCount == other.wordCount &&
           one.targetText == other.targetText && one.mismatches == other.mismatches &&
           one.milliseconds == other.milliseconds && one.speed == other.speed &&
           one.errorPercentage == other.errorPercentage && one.mistyped == other.mistyped &&
           one.language == other.language && one.source == other.source &&
           one.intervals == other.intervals && one.mistypedAt == other.mistypedAt;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t feed = text.find('\n', start);
        const size_t end = feed == std::string::npos ? text.size() : feed + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

// `text` read as the body of a 1.0.0 file, upgraded in pieces of `piece`
// bytes with a small line limit, so that long lines take their own way.
void checkUpgrade(const std::string& text, size_t piece) {
    const std::string old = RESULTS_HEADER_1_0 + text;
    ResultsUpgrade upgrade(256);
    std::string upgraded;
    for (size_t at = 0; at < old.size(); at += piece) {
        upgrade(old.data() + at, std::min(piece, old.size() - at), false, upgraded);
    }
    upgrade(nullptr, 0, true, upgraded);

    const std::vector<std::string> before = linesOf(old);
    const std::vector<std::string> after = linesOf(upgraded);
    fuzzRequire(before.size() == after.size() && after[0] == RESULTS_HEADER,
                "the upgrade changed the lines or missed the header");
    for (size_t i = 1; i < before.size(); ++i) {
        const std::string& line = before[i];
        size_t end = line.size();
        end -= end > 0 && line[end - 1] == '\n';
        end -= end > 0 && line[end - 1] == '\r';
        fuzzRequire(after[i] == line || after[i] == line.substr(0, end) + ",,," + line.substr(end),
                    "the upgrade changed a line beyond three empty fields at its end");
    }
    std::vector<ResultRecord> oldRecords;
    std::vector<ResultRecord> newRecords;
    const size_t oldDamaged = parseRecords(old, oldRecords);
    fuzzRequire(
        parseRecords(upgraded, newRecords) == oldDamaged &&
            oldRecords.size() == newRecords.size() &&
            std::equal(oldRecords.begin(), oldRecords.end(), newRecords.begin(), sameRecord),
        "the upgraded file reads as other records");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile file("results.csv");
    file.write(data, size);
    for (const bool utf8 : {false, true}) {
        std::ostringstream out;
        std::ostringstream errors;
        fuzzRequire(showHistory(file.path, 20, utf8, out, errors) == 0,
                    "the history of a readable file failed");
        fuzzRequire(!out.str().empty(), "the history printed nothing");
    }
    drawPractice(file.path);

    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ResultRecord> records;
    parseRecords(text, records);
    for (const ResultRecord& record : records) {
        fuzzRequire(!record.timed() || record.intervals.size() == record.targetText.size(),
                    "a timed record has not one interval a character");
        const std::string line = formatRecord(record);
        ResultRecord again;
        fuzzRequire(parseRecord(line, again), "a record written again does not read");
        fuzzRequire(sameRecord(again, record), "a record written again reads back changed");
        fuzzRequire(formatRecord(again) == line, "a record written again writes differently");
        // In the columns of 1.0.0 it is the same but for what they lack.
        fuzzRequire(parseRecord(formatOldRecord(record), again) && !again.timed() &&
                        again.targetText == record.targetText && again.mistyped == record.mistyped,
                    "a record in the old columns reads back changed");
    }

    checkUpgrade(text, 1 + (size > 0 ? data[0] % 61 : 0));
    return 0;
}
