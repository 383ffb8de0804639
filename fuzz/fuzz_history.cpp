// libFuzzer entry for the results file: --history reads any file to a
// report (or to lines skipped and counted), every line that reads as a
// record writes back as a line that reads as the same record, and practice
// draws targets of the asked length from whatever plan the file gives.
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

    std::vector<ResultRecord> records;
    parseRecords(std::string(reinterpret_cast<const char*>(data), size), records);
    for (const ResultRecord& record : records) {
        const std::string line = formatRecord(record);
        ResultRecord again;
        fuzzRequire(parseRecord(line, again), "a record written again does not read");
        fuzzRequire(formatRecord(again) == line, "a record written again reads back changed");
    }
    return 0;
}
