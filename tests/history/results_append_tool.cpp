// Appends records to a results file as fast as it can, for the test of
// programs appending at once (concurrent_appends.py):
//   results_append_tool PATH TAG COUNT
// Record i's target is "TAG i" followed by filler, so that every line is
// long and names its writer and its place.
#include <cstdlib>
#include <iostream>
#include <string>

#include "history/history.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: results_append_tool PATH TAG COUNT\n";
        return 2;
    }
    ResultsHistory history(std::cerr);
    history.keepIn(argv[1]);
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        ResultRecord record;
        record.time = "2026-12-07T18:23:06+00:00";
        record.wordCount = 60;
        record.targetText = std::string(argv[2]) + " " + std::to_string(i) + " ";
        record.targetText += std::string(300 - record.targetText.size(), 'x');
        record.milliseconds = 1000 + i;
        record.speed = "3000.000000";
        record.errorPercentage = "0.000000";
        history.record(record);
    }
    return 0;
}
