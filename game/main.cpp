#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "game/console_start_up.h"

namespace {

GameState game;

} // namespace

int main(int argc, char** argv) {
    // The program takes no options; any arguments are ignored.
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    (void)arguments;
    std::string error;
    if (!consoleStartUp(game, std::cin, std::cout, error)) {
        std::fprintf(stderr, "tapquill: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
