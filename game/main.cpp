#include <cstdio>
#include <string>
#include <vector>

#include "game/program.h"

int main(int argc, char** argv) {
    // Arguments are accepted and ignored.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    std::string error;
    if (!startUp(arguments, error)) {
        std::fprintf(stderr, "tapquill: %s\n", error.c_str());
        return 1;
    }
    runFrameLoop();
    return 0;
}
