// Files as the program opens them, the same on every platform. Names are
// byte strings passed to the file system; on Windows a name that is valid
// UTF-8 is taken as UTF-8, so that names the program builds from the
// system's own (wide) paths reach any file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Opens `name` for reading in binary mode. Only a regular file opens: a
// folder, a device or a pipe fails like a file that cannot be opened, and
// opening never waits. On failure returns nullptr and sets `why` (when
// given) to the cause, such as "No such file or directory" or "Is a
// directory".
std::FILE* openRegularFile(const std::string& name, std::string* why = nullptr);

// Standard input, read byte for byte: in binary mode on Windows, where it
// would otherwise turn line ends and stop at byte 26. `regularFile` tells
// whether it is a file (that can be read again), not a pipe or a terminal.
std::FILE* binaryStandardInput(bool& regularFile);

// Whether anything (a file, a folder) exists under `name`.
bool pathExists(const std::string& name);

// `name` inside `folder`, with the platform's separator; `name` alone when
// `folder` is empty.
std::string joinPath(const std::string& folder, const std::string& name);

// The working directory as an absolute path, "" when it cannot be told.
std::string workingFolder();

// The folder that holds the running program, with links resolved; "" when
// it cannot be told.
std::string programFolder();

// Where an installed program's data files are, after the working directory:
// the program's own folder (the build and the Windows folder put them
// there), then on Linux ../share/tapquill beside it (the installed tree, so
// that it works wherever it is moved). Folders that cannot be told are left
// out.
std::vector<std::string> installedDataFolders();

// The file that keeps the player's results: on Linux
// $XDG_DATA_HOME/tapquill/results.csv, or ~/.local/share/tapquill/results.csv
// when XDG_DATA_HOME is unset or not absolute; on Windows
// %APPDATA%\Tapquill\results.csv, or the same under the Roaming AppData
// folder when APPDATA is unset. "" when no home folder can be found.
std::string resultsFilePath();

// Appends `line` to the file at `path` in one write, so that programs
// appending at once never mix their lines and a crash loses at most this one.
// A missing file is created holding `firstLine` (it appears with it, all at
// once), and missing folders are made, readable by their owner only. The
// file's contents are never rewritten: when its last line lacks an end (a
// crash, a hand edit), "\r\n" goes first so that `line` stands on its own.
// False, with `error` saying why, when the file cannot be written.
bool appendToFile(const std::string& path, const std::string& firstLine, const std::string& line,
                  std::string& error);
