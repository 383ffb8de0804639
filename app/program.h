// The program's start-up, frame and frame loop.
#pragma once

#include <string>

#include "app/options.h"

// Console phase, then window phase, as the options ask. False, with `error`
// set to the line to print, when the program cannot go on.
bool startUp(const Options& options, std::string& error);
bool windowStartUp(std::string& error);
// Draws one frame and advances the typing test by one step.
void renderFrame();
// Runs frames until the window is closed, then takes the devices and the
// window down.
void runFrameLoop();
