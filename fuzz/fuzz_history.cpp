// libFuzzer entry for the results file: --history reads any file to a
// report (or to lines skipped and counted), and every line that reads as a
// record writes back as a line that reads as the same record.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/harness_support.h"
#include "history/history.h"
#include "history/history_report.h"

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
