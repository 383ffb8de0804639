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

bool pathExists(const std::string& name) {
    std::wstring wide;
    const DWORD attributes =
        widenUtf8(name, wide) ? GetFileAttributesW(wide.c_str()) : GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    const char last = folder.back();
    return last == '\\' || last == '/' ? folder + name : folder + "\\" + name;
}

std::string workingFolder() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0) {
        return std::string();
    }
    std::wstring buffer(length, L'\0');
    const DWORD written = GetCurrentDirectoryW(length, &buffer[0]);
    if (written == 0 || written >= length) {
        return std::string();
    }
    buffer.resize(written);
    return narrowToUtf8(buffer);
}

std::string programFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return std::string();
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        if (buffer.size() >= 32768) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
    const size_t separator = buffer.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return std::string();
    }
    // Keep the separator of a drive's root ("C:\").
    const size_t end = separator > 0 && buffer[separator - 1] == L':' ? separator + 1 : separator;
    return narrowToUtf8(buffer.substr(0, end));
}

std::vector<std::string> installedDataFolders() {
    const std::string program = programFolder();
    if (program.empty()) {
        return {};
    }
    return {program};
}
