#include "platform/files.h"

#include "platform/win32/wide_text.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

void (*fileUpgradeStepHook)(int step) = nullptr;

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

std::wstring fileName(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring joinWide(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) {
        return name;
    }
    const wchar_t last = folder.back();
    return last == L'\\' || last == L'/' ? folder + name : folder + L"\\" + name;
}

void upgradeStep(int step) {
    if (fileUpgradeStepHook != nullptr) {
        fileUpgradeStepHook(step);
    }
}

// Reads up to `size` bytes at `offset` into `data`; false on a failure.
bool readAt(HANDLE file, char* data, DWORD size, uint64_t offset, DWORD& got) {
    OVERLAPPED at = {};
    at.Offset = DWORD(offset & 0xFFFFFFFFu);
    at.OffsetHigh = DWORD(offset >> 32);
    got = 0;
    return ReadFile(file, data, size, &got, &at) || GetLastError() == ERROR_HANDLE_EOF;
}

bool startsWith(HANDLE file, const std::string& start) {
    std::string head(start.size(), '\0');
    size_t have = 0;
    while (have < head.size()) {
        DWORD got = 0;
        if (!readAt(file, &head[have], DWORD(head.size() - have), have, got) || got == 0) {
            return false;
        }
        have += got;
    }
    return head == start;
}

// Whether the two open files are one.
bool sameFile(HANDLE one, HANDLE other) {
    BY_HANDLE_FILE_INFORMATION first = {};
    BY_HANDLE_FILE_INFORMATION second = {};
    return GetFileInformationByHandle(one, &first) && GetFileInformationByHandle(other, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// Whether `name` names the open file `file` (false when it names nothing).
bool namesFile(const std::wstring& name, HANDLE file) {
    HANDLE named = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (named == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool same = sameFile(file, named);
    CloseHandle(named);
    return same;
}

// This program's appends to one file, one process at a time: held around
// the whole append, so that no other copy of the program has the file open
// while an upgrade replaces it (Windows before 10 and wine refuse to replace
// an open file). Named after the file's full path; where no such mutex can
// be had, the file's own lock still keeps appends apart.
class AppendTurn {
  public:
    explicit AppendTurn(const std::wstring& path) {
        const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        std::wstring full(length, L'\0');
        const DWORD written =
            length > 0 ? GetFullPathNameW(path.c_str(), length, &full[0], nullptr) : 0;
        full.resize(written < length ? written : 0);
        if (full.empty()) {
            full = path;
        }
        CharUpperBuffW(&full[0], DWORD(full.size()));
        uint64_t hash = 14695981039346656037u; // FNV-1a
        for (const wchar_t c : full) {
            hash = (hash ^ uint16_t(c)) * 1099511628211u;
        }
        wchar_t name[64];
        swprintf(name, 64, L"Local\\tapquill-results-%016llx",
                 static_cast<unsigned long long>(hash));
        mutex = CreateMutexW(nullptr, FALSE, name);
        if (mutex != nullptr) {
            const DWORD waited = WaitForSingleObject(mutex, INFINITE);
            // An owner that ended without letting go hands it over all the same.
            if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
                CloseHandle(mutex);
                mutex = nullptr;
            }
        }
    }
    ~AppendTurn() {
        if (mutex != nullptr) {
            ReleaseMutex(mutex);
            CloseHandle(mutex);
        }
    }
    AppendTurn(const AppendTurn&) = delete;
    AppendTurn& operator=(const AppendTurn&) = delete;

  private:
    HANDLE mutex = nullptr;
};

// Writes the file `path` afresh from what `fill` writes to its handle, and
// flushes it to the disk; the handle stays open in `file` when `keep` is set.
template <class Fill>
bool writeFlushed(const std::wstring& path, std::string& error, Fill&& fill, HANDLE* keep) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE | DELETE | SYNCHRONIZE, FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = failureText(GetLastError());
        return false;
    }
    const bool done = fill(file) && FlushFileBuffers(file);
    if (!done) {
        error = failureText(GetLastError());
    }
    if (done && keep != nullptr) {
        *keep = file;
    } else {
        CloseHandle(file);
    }
    return done;
}

// Copies the whole of the open file `from` into `file`.
bool copyAll(HANDLE from, HANDLE file) {
    std::vector<char> buffer(size_t(1) << 16);
    uint64_t offset = 0;
    for (;;) {
        DWORD got = 0;
        if (!readAt(from, buffer.data(), DWORD(buffer.size()), offset, got)) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!writeAll(file, std::string(buffer.data(), got))) {
            return false;
        }
        offset += got;
    }
}

// Gives the file `path`, open as `file`, a second name beside it: the first
// of <stem><suffix><extension>, <stem><suffix>-2<extension>, ... that is free,
// or that already names this file (an upgrade stopped after this step). A
// hard link where the file system has them, a copy otherwise.
bool keepBackup(const std::wstring& path, HANDLE file, const std::wstring& suffix,
                std::string& error) {
    const std::wstring folder = parentFolder(path);
    const std::wstring name = fileName(path);
    const size_t dot = name.rfind(L'.');
    const size_t stemEnd = dot == std::wstring::npos || dot == 0 ? name.size() : dot;
    for (int number = 1; number <= 1000; ++number) {
        const std::wstring backup = joinWide(
            folder, name.substr(0, stemEnd) + suffix +
                        (number > 1 ? L"-" + std::to_wstring(number) : L"") + name.substr(stemEnd));
        if (GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) {
            if (namesFile(backup, file)) {
                return true;
            }
            continue;
        }
        if (CreateHardLinkW(backup.c_str(), path.c_str(), nullptr)) {
            return true;
        }
        const DWORD code = GetLastError();
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
            continue;
        }
        // No hard links here: a copy, written whole before it takes the name.
        const std::wstring scratch =
            joinWide(folder, L"." + name + L".backup-" + std::to_wstring(GetCurrentProcessId()));
        bool copied = writeFlushed(
            scratch, error, [&](HANDLE copy) { return copyAll(file, copy); }, nullptr);
        if (copied && !MoveFileExW(scratch.c_str(), backup.c_str(), MOVEFILE_WRITE_THROUGH)) {
            error = failureText(GetLastError());
            copied = false;
        }
        if (!copied) {
            DeleteFileW(scratch.c_str());
        }
        return copied;
    }
    error = "no free name for the copy of the old file";
    return false;
}

// Renames the open file `from` to `to`, replacing that file even while other
// programs have it open (with FILE_SHARE_DELETE, as this program opens it):
// the POSIX way of renaming of Windows 10 1709 and later, on NTFS. False
// where the system has no such rename.
bool replaceWhileOpen(HANDLE from, const std::wstring& to) {
    // FileRenameInfoEx, which older headers leave out.
    const auto renameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
    const DWORD replaceIfExists = 0x1;
    const DWORD posixSemantics = 0x2;
    const DWORD length = GetFullPathNameW(to.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    const DWORD written = length > 0 ? GetFullPathNameW(to.c_str(), length, &full[0], nullptr) : 0;
    if (written == 0 || written >= length) {
        return false;
    }
    full.resize(written);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + (full.size() + 1) * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->Flags = replaceIfExists | posixSemantics;
    info->RootDirectory = nullptr;
    info->FileNameLength = DWORD(full.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, full.c_str(), (full.size() + 1) * sizeof(wchar_t));
    return SetFileInformationByHandle(from, renameInfoEx, info, DWORD(buffer.size())) != 0;
}

// Rewrites the file `path`, open as `file` and locked at `lockAt`, as
// `upgrade` says (see appendToFile). Where the system cannot replace a file
// that is open, `file` is let go (and set to INVALID_HANDLE_VALUE) just before
// the new file takes its place.
bool upgradeFile(const std::wstring& path, HANDLE& file, OVERLAPPED& lockAt, FileUpgrade& upgrade,
                 std::string& error) {
    const std::wstring scratch =
        joinWide(parentFolder(path),
                 L"." + fileName(path) + L".upgrade-" + std::to_wstring(GetCurrentProcessId()));
    HANDLE replacement = INVALID_HANDLE_VALUE;
    const bool written = writeFlushed(
        scratch, error,
        [&](HANDLE out) {
            std::vector<char> buffer(size_t(1) << 16);
            std::string converted;
            uint64_t offset = 0;
            for (;;) {
                DWORD got = 0;
                if (!readAt(file, buffer.data(), DWORD(buffer.size()), offset, got)) {
                    return false;
                }
                converted.clear();
                upgrade.convert(buffer.data(), got, got == 0, converted);
                if (!converted.empty() && !writeAll(out, converted)) {
                    return false;
                }
                if (got == 0) {
                    upgradeStep(1);
                    return true;
                }
                offset += got;
            }
        },
        &replacement);
    if (!written) {
        DeleteFileW(scratch.c_str());
        return false;
    }
    upgradeStep(2);
    if (!keepBackup(path, file, wideName(upgrade.backupSuffix), error)) {
        CloseHandle(replacement);
        DeleteFileW(scratch.c_str());
        return false;
    }
    upgradeStep(3);
    bool moved = replaceWhileOpen(replacement, path);
    CloseHandle(replacement);
    if (!moved) {
        UnlockFileEx(file, 0, 1, 0, &lockAt);
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
        moved = MoveFileExW(scratch.c_str(), path.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!moved) {
            error = failureText(GetLastError());
            DeleteFileW(scratch.c_str());
            return false;
        }
    }
    upgradeStep(4);
    return true;
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
                  std::string& error, FileUpgrade* upgrade) {
    const std::wstring wide = wideName(path);
    if (!makeFolders(parentFolder(wide), error)) {
        return false;
    }
    const AppendTurn turn(wide);
    // Append access without write access: every write lands at the end.
    const DWORD access = FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    bool upgradeTried = false;
    for (int attempt = 0;; ++attempt) {
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
        // programs does, and the look at the last line needs the end to stay
        // put. The lock is on a byte far past any end, so readers are never
        // held up.
        OVERLAPPED lockAt = {};
        lockAt.OffsetHigh = 0x40000000;
        const bool locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &lockAt) != 0;
        if (locked && !namesFile(wide, file)) {
            // Upgraded (or removed) while this waited: the line goes to the
            // file that the name stands for now.
            UnlockFileEx(file, 0, 1, 0, &lockAt);
            CloseHandle(file);
            if (attempt < 100) {
                Sleep(1);
                continue;
            }
            error = "the file keeps being replaced";
            return false;
        }
        const bool old = upgrade != nullptr && startsWith(file, upgrade->oldFirstLine);
        if (old && !upgradeTried) {
            upgradeTried = true;
            std::string why = locked ? "" : "it cannot be locked";
            if (locked && upgradeFile(wide, file, lockAt, *upgrade, why)) {
                if (file != INVALID_HANDLE_VALUE) {
                    UnlockFileEx(file, 0, 1, 0, &lockAt);
                    CloseHandle(file);
                }
                continue;
            }
            upgrade->notMade = why.empty() ? "it could not be rewritten" : why;
            if (file == INVALID_HANDLE_VALUE) {
                continue;
            }
        }
        std::string data = old ? upgrade->lineInOldFormat : line;
        LARGE_INTEGER size = {};
        if (locked && GetFileSizeEx(file, &size) && size.QuadPart > 0) {
            char last = '\n';
            DWORD got = 0;
            if (readAt(file, &last, 1, uint64_t(size.QuadPart - 1), got) && got == 1 &&
                last != '\n') {
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
}
