#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/data_files.h"
#include "app/languages.h"
#include "app/options.h"
#include "app/program.h"
#include "history/history_report.h"
#include "platform/console.h"
#include "platform/files.h"

namespace {

// Started from Explorer, the console window goes when the program ends: it
// stays until the player has read why the game could not start.
void letThePlayerRead() {
    if (!consoleClosesWithProgram())
        return;
    // The rest of the line the answer was on is no key press.
    std::string line;
    std::getline(std::cin, line);
    std::fputs("Press Enter to close this window.", stderr);
    std::getline(std::cin, line);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    const Options options = parseOptions(arguments);
    if (!options.error.empty()) {
        std::fprintf(stderr, "tapquill: %s\n", options.error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(usageText(describeDataFolders(dataFolders()), resultsFilePath()).c_str(),
                   stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(versionText().c_str(), stdout);
        return 0;
    }
    if (options.listLanguages) {
        std::fputs(languageListText(useUtf8Output()).c_str(), stdout);
        return 0;
    }
    if (options.showHistory) {
        return showHistory(resultsFilePath(), options.historyCount, useUtf8Output(), std::cout,
                           std::cerr);
    }

    std::string error;
    if (!startUp(options, error)) {
        std::fprintf(stderr, "tapquill: %s\n", error.c_str());
        letThePlayerRead();
        return 1;
    }
    runFrameLoop();
    return 0;
}
