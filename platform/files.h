// Files as the program opens them, the same on every platform. Names are
// byte strings passed to the file system; on Windows a name that is valid
// UTF-8 is taken as UTF-8, so that names the program builds from the
// system's own (wide) paths reach any file.
#pragma once

#include <cstdio>
#include <functional>
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

// A one-time rewrite of a file written in an older format, made by
// appendToFile before it appends. The file is read whole, in pieces, and
// never held in memory at once.
struct FileUpgrade {
    // Files whose first bytes are exactly these are rewritten.
    std::string oldFirstLine;
    // Turns the old file's bytes into the new file's: called with each piece
    // of the old file in order, then once with `end` set and no bytes; what
    // it appends to `out` is written to the new file.
    std::function<void(const char* bytes, size_t size, bool end, std::string& out)> convert;
    // The copy of the old file is kept beside it as <stem><suffix><extension>
    // (results.csv: results-1.0.0.csv for "-1.0.0"), or when that name is
    // taken by another file, <stem><suffix>-2<extension> and so on.
    std::string backupSuffix;
    // Appended instead of the line when the file needs the rewrite but cannot
    // have it now (it cannot be locked, or the disk is full): the line in the
    // old format, so that the file stays one format.
    std::string lineInOldFormat;
    // Set to why, when the rewrite was due but could not be made.
    std::string notMade;
};

// Appends `line` to the file at `path` in one write, so that programs
// appending at once never mix their lines and a crash loses at most this one.
// A missing file is created holding `firstLine` (it appears with it, all at
// once), and missing folders are made, readable by their owner only. The
// file's contents are never rewritten, but for the upgrade below: when its
// last line lacks an end (a crash, a hand edit), "\r\n" goes first so that
// `line` stands on its own.
//
// With `upgrade`, a file that starts with its oldFirstLine is first rewritten
// once, atomically: the new contents go to a temporary file of this process
// beside it (.<name>.upgrade-<process id>) and are flushed to the disk, the
// old file gets its second name (the backup: a hard link where the file
// system has them, a copy otherwise), and the temporary file takes the old
// file's place in one rename. A crash at any moment leaves the whole old file
// or the whole new one at `path`, and at most a temporary file that nothing
// reads. The file stays locked meanwhile; a program that waited for the lock
// finds that `path` names another file by then, and appends to that one.
//
// False, with `error` saying why, when the file cannot be written.
bool appendToFile(const std::string& path, const std::string& firstLine, const std::string& line,
                  std::string& error, FileUpgrade* upgrade = nullptr);

// For tests only: called, when set, after each step of an upgrade: 1 the new
// contents written to the temporary file, 2 flushed to the disk, 3 the backup
// made, 4 the new file in place.
extern void (*fileUpgradeStepHook)(int step);
