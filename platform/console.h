// The console the program asks its question on, as each platform has it.
#pragma once

// Readies standard output for UTF-8 text when the user's character set is
// UTF-8 (the locale on Linux; the console, switched to UTF-8 while the
// program runs, on Windows) and says whether it is.
bool useUtf8Output();

// Whether the console window goes away when the program ends, taking an
// error message with it before anyone could read it: on Windows, the console
// made for the program when it was started from Explorer. (A Linux menu
// entry keeps its terminal open itself.)
bool consoleClosesWithProgram();
