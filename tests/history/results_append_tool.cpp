// Appends records to a results file as fast as it can, for the tests of
// programs appending at once and of the upgrade (concurrent_appends.py):
//   results_append_tool PATH TAG COUNT [stop:STEP | pause:STEP]
// Record i's target is "TAG i" followed by filler, so that every line is
// long and names its writer and its place. With stop:STEP the program stops
// dead (status 3) after that step of an upgrade, as in a crash; with
// pause:STEP it says "paused" on its output there and waits two seconds, so
// that another program can come to wait for the file meanwhile.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "history/history.h"
#include "platform/files.h"

namespace {

int stopAfter = 0;
int pauseAfter = 0;

void stopOrPause(int step) {
    if (step == stopAfter) {
        std::_Exit(3);
    }
    if (step == pauseAfter) {
        std::printf("paused\n");
        std::fflush(stdout);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < until) {
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: results_append_tool PATH TAG COUNT [stop:STEP | pause:STEP]\n";
        return 2;
    }
    if (argc == 5) {
        const bool stop = std::strncmp(argv[4], "stop:", 5) == 0;
        (stop ? stopAfter : pauseAfter) = std::atoi(std::strchr(argv[4], ':') + 1);
        fileUpgradeStepHook = stopOrPause;
    }
    ResultsHistory history(std::cerr);
    history.keepIn(argv[1]);
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        ResultRecord record;
        record.time = "2026-12-07T18:23:06+00:00";
        record.wordCount = 60;
        record.language = "en";
        record.targetText = std::string(argv[2]) + " " + std::to_string(i) + " ";
        record.targetText += std::string(300 - record.targetText.size(), 'x');
        record.milliseconds = 1000 + i;
        record.speed = "3000.000000";
        record.errorPercentage = "0.000000";
        history.record(record);
    }
    // Stopping was meant to end it sooner.
    return stopAfter != 0 ? 4 : 0;
}
