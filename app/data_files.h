// Where the data files (word list, verses, glyph sheet) are read from.
#pragma once

#include <string>
#include <vector>

// The places a data file is looked for, in order: the working directory
// (given as ""), then the installed program's data folders, each once.
std::vector<std::string> dataFolders();

// The places as a player reads them: "the working directory (/home/me),
// /usr/bin or /usr/share/tapquill".
std::string describeDataFolders(const std::vector<std::string>& folders);

// The first place where `name` exists is where it is read from: `path` is
// the bare name in the working directory, the name within its folder
// elsewhere. False, with `error` naming the file and the places looked, when
// no place holds it.
bool findDataFile(const std::string& name, std::string& path, std::string& error);
