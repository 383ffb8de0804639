#include "platform/files.h"

#include "platform/win32/wide_text.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

std::FILE* openRegularFile(const std::string& name, std::string* why) {
    std::wstring wide;
    std::FILE* file =
        widenUtf8(name, wide) ? _wfopen(wide.c_str(), L"rb") : std::fopen(name.c_str(), "rb");
    const char* problem = nullptr;
    if (file == nullptr) {
        problem = std::strerror(errno);
        // Windows refuses to open a folder with "Permission denied"; say what it is.
        const DWORD attributes =
            wide.empty() ? GetFileAttributesA(name.c_str()) : GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            problem = std::strerror(EISDIR);
        }
    } else {
        struct _stat status {};
        if (_fstat(_fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {
            // NUL, CON and the like open as character devices.
            problem = "not a regular file";
            std::fclose(file);
            file = nullptr;
        }
    }
    if (file == nullptr && why != nullptr) {
        *why = problem;
    }
    return file;
}
