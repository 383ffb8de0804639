#include "platform/files.h"

#include "platform/win32/wide_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace {

// Why a call failed, in the system's words.
std::string failureText(DWORD code) {
    const std::string message = systemMessage(code);
    return message.empty() ? "error " + std::to_string(code) : message;
}

std::wstring wideName(const std::string& name) {
    std::wstring wide;
    if (!widenUtf8(name, wide)) {
        // Plain ASCII, or text in the system's code page.
        const int length =
            MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
        wide.resize(size_t(length > 0 ? length : 0));
        if (length > 0) {
            MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), &wide[0], length);
        }
    }
    return wide;
}

std::wstring parentFolder(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return std::wstring();
    }
    // A drive's root keeps its separator ("C:\").
    if (separator > 0 && path[separator - 1] == L':') {
        return path.substr(0, separator + 1);
    }
    return path.substr(0, separator);
}

bool makeFolders(const std::wstring& folder, std::string& error) {
    if (folder.empty()) {
        return true;
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            return true;
        }
        error = "\"" + narrowToUtf8(folder) + "\" is not a folder";
        return false;
    }
    const std::wstring parent = parentFolder(folder);
    if (parent != folder && !makeFolders(parent, error)) {
        return false;
    }
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        error = failureText(GetLastError());
        return false;
    }
    return true;
}

bool writeAll(HANDLE file, const std::string& data) {
    DWORD written = 0;
    return WriteFile(file, data.data(), DWORD(data.size()), &written, nullptr) &&
           written == data.size();
}

// Creates `path` already holding `contents`: written to a file of this
// process's own first, then moved in place, so no one ever sees `path`
// without them. True also when `path` appeared meanwhile.
bool createHolding(const std::wstring& path, const std::string& contents, std::string& error) {
    const std::wstring scratch = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
    HANDLE file = CreateFileW(scratch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = failureText(GetLastError());
        return false;
    }
    const bool written = writeAll(file, contents);
    const DWORD writeError = GetLastError();
    CloseHandle(file);
    bool created = false;
    if (!written) {
        error = failureText(writeError);
    } else if (MoveFileExW(scratch.c_str(), path.c_str(), 0)) {
        return true;
    } else {
        const DWORD code = GetLastError();
        created = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
        if (!created) {
            error = failureText(code);
        }
    }
    DeleteFileW(scratch.c_str());
    return created;
}

} // namespace

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

std::FILE* binaryStandardInput(bool& regularFile) {
    _setmode(_fileno(stdin), _O_BINARY);
    struct _stat status {};
    regularFile = _fstat(_fileno(stdin), &status) == 0 && S_ISREG(status.st_mode);
    return stdin;
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

std::string resultsFilePath() {
    std::wstring appData;
    const wchar_t* variable = _wgetenv(L"APPDATA");
    if (variable != nullptr && variable[0] != L'\0') {
        appData = variable;
    } else {
        wchar_t* known = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known))) {
            appData = known;
        }
        CoTaskMemFree(known);
    }
    if (appData.empty()) {
        return std::string();
    }
    return joinPath(joinPath(narrowToUtf8(appData), "Tapquill"), "results.csv");
}

bool appendToFile(const std::string& path, const std::string& firstLine, const std::string& line,
                  std::string& error) {
    const std::wstring wide = wideName(path);
    if (!makeFolders(parentFolder(wide), error)) {
        return false;
    }
    // Append access without write access: every write lands at the end.
    const DWORD access = FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileW(wide.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
        if (!createHolding(wide, firstLine, error)) {
            return false;
        }
        file = CreateFileW(wide.c_str(), access, sharing, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        error = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                    ? std::strerror(EISDIR)
                    : failureText(code);
        return false;
    }
    // Appends of other programs wait for this one: Windows appends whole
    // writes at the end anyway, but not every system that runs Windows
    // programs does, and the look at the last line needs the end to stay put.
    // The lock is on a byte far past any end, so readers are never held up.
    OVERLAPPED lockAt = {};
    lockAt.OffsetHigh = 0x40000000;
    const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockAt) != 0;
    std::string data = line;
    LARGE_INTEGER size = {};
    if (locked && GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        OVERLAPPED at = {};
        at.Offset = DWORD(uint64_t(size.QuadPart - 1) & 0xFFFFFFFFu);
        at.OffsetHigh = DWORD(uint64_t(size.QuadPart - 1) >> 32);
        char last = '\n';
        DWORD got = 0;
        if (ReadFile(file, &last, 1, &got, &at) && got == 1 && last != '\n') {
            data.insert(0, "\r\n");
        }
    }
    const bool written = writeAll(file, data);
    if (!written) {
        error = failureText(GetLastError());
    }
    if (locked) {
        UnlockFileEx(file, 0, 1, 0, &lockAt);
    }
    CloseHandle(file);
    return written;
}
