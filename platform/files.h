// Files as the program opens them, the same on every platform. Names are
// byte strings passed to the file system; on Windows a name that is valid
// UTF-8 is taken as UTF-8, so that names the program builds from the
// system's own (wide) paths reach any file.
#pragma once

#include <cstdio>
#include <string>

// Opens `name` for reading in binary mode. Only a regular file opens: a
// folder, a device or a pipe fails like a file that cannot be opened, and
// opening never waits. On failure returns nullptr and sets `why` (when
// given) to the cause, such as "No such file or directory" or "Is a
// directory".
std::FILE* openRegularFile(const std::string& name, std::string* why = nullptr);
