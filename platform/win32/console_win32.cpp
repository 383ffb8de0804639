#include "platform/console.h"

#include <cstdlib>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

UINT consoleCodePageAtStart = 0;

void restoreConsoleCodePage() {
    SetConsoleOutputCP(consoleCodePageAtStart);
}

} // namespace

bool useUtf8Output() {
    DWORD mode = 0;
    if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        // Written to a file or a pipe: UTF-8 only where the system's code page is.
        return GetACP() == CP_UTF8;
    }
    if (consoleCodePageAtStart == 0) {
        consoleCodePageAtStart = GetConsoleOutputCP();
        if (SetConsoleOutputCP(CP_UTF8)) {
            std::atexit(restoreConsoleCodePage);
        }
    }
    return GetConsoleOutputCP() == CP_UTF8;
}

bool consoleClosesWithProgram() {
    // A console made for this program has no other process attached to it.
    DWORD processes[2] = {};
    return GetConsoleProcessList(processes, 2) == 1;
}
