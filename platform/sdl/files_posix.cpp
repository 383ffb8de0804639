#include "platform/files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

void (*fileUpgradeStepHook)(int step) = nullptr;

namespace {

std::string parentFolder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return std::string();
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes `folder` and the missing folders above it, readable by their owner only.
bool makeFolders(const std::string& folder, std::string& error) {
    if (folder.empty()) {
        return true;
    }
    struct stat status {};
    if (stat(folder.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            return true;
        }
        error = "\"" + folder + "\" is not a folder";
        return false;
    }
    if (errno != ENOENT && errno != ENOTDIR) {
        error = std::strerror(errno);
        return false;
    }
    if (!makeFolders(parentFolder(folder), error)) {
        return false;
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

// Writes all of `data`; false with errno set when the file takes less.
bool writeAll(int descriptor, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(descriptor, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

// Creates `path` already holding `contents`: they are written to a file of
// this process's own first, which is then linked in place, so no one ever
// sees `path` without them. True also when `path` appeared meanwhile.
bool createHolding(const std::string& path, const std::string& contents, std::string& error) {
    const std::string scratch = path + "." + std::to_string(getpid()) + ".new";
    const int descriptor = open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = writeAll(descriptor, contents.data(), contents.size());
    const int writeError = errno;
    const bool closed = close(descriptor) == 0;
    bool created = false;
    if (!written || !closed) {
        error = std::strerror(written ? errno : writeError);
    } else if (link(scratch.c_str(), path.c_str()) == 0 || errno == EEXIST) {
        created = true;
    } else {
        // A file system without links: create it in place instead.
        const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (file >= 0) {
            created = writeAll(file, contents.data(), contents.size());
            if (!created) {
                error = std::strerror(errno);
            }
            close(file);
        } else {
            created = errno == EEXIST;
            if (!created) {
                error = std::strerror(errno);
            }
        }
    }
    unlink(scratch.c_str());
    return created;
}

std::string fileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads up to `size` bytes at `offset`; the count read (0 at the end), or -1.
ssize_t readAt(int descriptor, char* data, size_t size, off_t offset) {
    for (;;) {
        const ssize_t got = pread(descriptor, data, size, offset);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

bool startsWith(int descriptor, const std::string& start) {
    std::string head(start.size(), '\0');
    size_t got = 0;
    while (got < head.size()) {
        const ssize_t more = readAt(descriptor, &head[got], head.size() - got, off_t(got));
        if (more <= 0) {
            return false;
        }
        got += size_t(more);
    }
    return head == start;
}

bool sameFile(const struct stat& one, const struct stat& other) {
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Whether `name` still names the file open as `descriptor`.
bool namesFile(const std::string& name, int descriptor) {
    struct stat held {};
    struct stat named {};
    return fstat(descriptor, &held) == 0 && stat(name.c_str(), &named) == 0 &&
           sameFile(held, named);
}

// Flushes the names in `folder` to the disk. Some file systems cannot, and
// say so with EINVAL: their renames are as safe as they get.
bool syncFolder(const std::string& folder) {
    const int descriptor =
        open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    const bool synced = fsync(descriptor) == 0 || errno == EINVAL;
    close(descriptor);
    return synced;
}

void upgradeStep(int step) {
    if (fileUpgradeStepHook != nullptr) {
        fileUpgradeStepHook(step);
    }
}

// Writes the file at `path` afresh with `mode`, from what `fill` writes to
// its descriptor, and flushes it to the disk.
template <class Fill>
bool writeFlushed(const std::string& path, mode_t mode, std::string& error, Fill&& fill) {
    const int descriptor =
        open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
    if (descriptor < 0) {
        error = std::strerror(errno);
        return false;
    }
    // The mode of the old file, whatever the umask.
    fchmod(descriptor, mode);
    bool done = fill(descriptor) && fsync(descriptor) == 0;
    if (!done && error.empty()) {
        error = std::strerror(errno);
    }
    if (close(descriptor) != 0 && done) {
        error = std::strerror(errno);
        done = false;
    }
    return done;
}

// Copies the whole file open as `from` into `descriptor`.
bool copyAll(int from, int descriptor) {
    std::vector<char> buffer(size_t(1) << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = readAt(from, buffer.data(), buffer.size(), offset);
        if (got <= 0) {
            return got == 0;
        }
        if (!writeAll(descriptor, buffer.data(), size_t(got))) {
            return false;
        }
        offset += got;
    }
}

// Gives the file at `path`, open as `descriptor`, a second name beside it: the
// first of <stem><suffix><extension>, <stem><suffix>-2<extension>, ... that is
// free, or that already names this file (an upgrade stopped after this step).
// A hard link where the file system has them, a copy otherwise.
bool keepBackup(const std::string& path, int descriptor, mode_t mode, const std::string& suffix,
                std::string& error) {
    struct stat held {};
    if (fstat(descriptor, &held) != 0) {
        error = std::strerror(errno);
        return false;
    }
    const std::string folder = parentFolder(path);
    const std::string name = fileName(path);
    const size_t dot = name.rfind('.');
    const size_t stemEnd = dot == std::string::npos || dot == 0 ? name.size() : dot;
    for (int number = 1; number <= 1000; ++number) {
        const std::string backup = joinPath(
            folder, name.substr(0, stemEnd) + suffix +
                        (number > 1 ? "-" + std::to_string(number) : "") + name.substr(stemEnd));
        struct stat status {};
        if (lstat(backup.c_str(), &status) == 0) {
            if (sameFile(status, held)) {
                return true;
            }
            continue;
        }
        if (errno != ENOENT) {
            error = std::strerror(errno);
            return false;
        }
        if (link(path.c_str(), backup.c_str()) == 0) {
            return true;
        }
        if (errno == EEXIST) {
            continue;
        }
        // No hard links here: a copy, written whole before it takes the name.
        const std::string scratch =
            joinPath(folder, "." + name + ".backup-" + std::to_string(getpid()));
        const bool copied = writeFlushed(scratch, mode, error,
                                         [&](int copy) { return copyAll(descriptor, copy); }) &&
                            rename(scratch.c_str(), backup.c_str()) == 0;
        if (!copied) {
            if (error.empty()) {
                error = std::strerror(errno);
            }
            unlink(scratch.c_str());
        }
        return copied;
    }
    error = "no free name for the copy of the old file";
    return false;
}

// Rewrites the file at `path`, open and locked as `descriptor`, as
// `upgrade` says (see appendToFile).
bool upgradeFile(const std::string& link, int descriptor, FileUpgrade& upgrade,
                 std::string& error) {
    struct stat status {};
    if (lstat(link.c_str(), &status) != 0) {
        error = std::strerror(errno);
        return false;
    }
    // A symbolic link stays one: the file it leads to is upgraded where it is.
    std::string path = link;
    if (S_ISLNK(status.st_mode)) {
        char* const real = realpath(link.c_str(), nullptr);
        if (real == nullptr) {
            error = std::strerror(errno);
            return false;
        }
        path = real;
        std::free(real);
    }
    if (fstat(descriptor, &status) != 0) {
        error = std::strerror(errno);
        return false;
    }
    const mode_t mode = status.st_mode & 07777;
    const std::string folder = parentFolder(path);
    const std::string scratch =
        joinPath(folder, "." + fileName(path) + ".upgrade-" + std::to_string(getpid()));
    const bool written = writeFlushed(scratch, mode, error, [&](int out) {
        std::vector<char> buffer(size_t(1) << 16);
        std::string converted;
        off_t offset = 0;
        for (;;) {
            const ssize_t got = readAt(descriptor, buffer.data(), buffer.size(), offset);
            if (got < 0) {
                return false;
            }
            converted.clear();
            upgrade.convert(buffer.data(), size_t(got), got == 0, converted);
            if (!writeAll(out, converted.data(), converted.size())) {
                return false;
            }
            if (got == 0) {
                upgradeStep(1);
                return true;
            }
            offset += got;
        }
    });
    if (written) {
        upgradeStep(2);
    }
    if (!written || !keepBackup(path, descriptor, mode, upgrade.backupSuffix, error)) {
        unlink(scratch.c_str());
        return false;
    }
    upgradeStep(3);
    if (rename(scratch.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        unlink(scratch.c_str());
        return false;
    }
    syncFolder(folder);
    upgradeStep(4);
    return true;
}

} // namespace

std::FILE* openRegularFile(const std::string& name, std::string* why) {
    // Without O_NONBLOCK opening a pipe would wait for a writer.
    const int descriptor = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        if (why != nullptr) {
            *why = std::strerror(errno);
        }
        return nullptr;
    }
    struct stat status {};
    const char* problem = nullptr;
    if (fstat(descriptor, &status) != 0) {
        problem = std::strerror(errno);
    } else if (S_ISDIR(status.st_mode)) {
        problem = std::strerror(EISDIR);
    } else if (!S_ISREG(status.st_mode)) {
        problem = "not a regular file";
    }
    std::FILE* file = nullptr;
    if (problem == nullptr) {
        fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
        file = fdopen(descriptor, "rb");
        if (file == nullptr) {
            problem = std::strerror(errno);
        }
    }
    if (file == nullptr) {
        close(descriptor);
        if (why != nullptr) {
            *why = problem;
        }
    }
    return file;
}

bool pathExists(const std::string& name) {
    struct stat status {};
    return stat(name.c_str(), &status) == 0;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::FILE* binaryStandardInput(bool& regularFile) {
    struct stat status {};
    regularFile = fstat(fileno(stdin), &status) == 0 && S_ISREG(status.st_mode);
    return stdin;
}

std::string workingFolder() {
    std::string buffer(256, '\0');
    while (getcwd(&buffer[0], buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (size_t(1) << 20)) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

std::string programFolder() {
    // The kernel's link to the program file is already free of other links.
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", &buffer[0], buffer.size());
        if (length < 0) {
            return std::string();
        }
        if (size_t(length) < buffer.size()) {
            buffer.resize(size_t(length));
            break;
        }
        if (buffer.size() > (size_t(1) << 20)) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
    const size_t slash = buffer.rfind('/');
    if (buffer.empty() || buffer[0] != '/' || slash == std::string::npos) {
        return std::string();
    }
    return slash == 0 ? "/" : buffer.substr(0, slash);
}

std::vector<std::string> installedDataFolders() {
    const std::string program = programFolder();
    if (program.empty()) {
        return {};
    }
    // The program's folder has no links or dot components in it, so its
    // parent is the text before its last slash.
    const size_t slash = program.rfind('/');
    const std::string parent = slash == 0 ? "/" : program.substr(0, slash);
    return {program, joinPath(parent, "share/tapquill")};
}

std::string resultsFilePath() {
    std::string dataHome;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        dataHome = xdg;
    } else {
        const char* home = std::getenv("HOME");
        std::string homeFolder = home != nullptr ? home : "";
        if (homeFolder.empty()) {
            const passwd* user = getpwuid(getuid());
            if (user != nullptr && user->pw_dir != nullptr) {
                homeFolder = user->pw_dir;
            }
        }
        if (homeFolder.empty()) {
            return std::string();
        }
        dataHome = joinPath(homeFolder, ".local/share");
    }
    return joinPath(joinPath(dataHome, "tapquill"), "results.csv");
}

bool appendToFile(const std::string& path, const std::string& firstLine, const std::string& line,
                  std::string& error, FileUpgrade* upgrade) {
    if (!makeFolders(parentFolder(path), error)) {
        return false;
    }
    bool upgradeTried = false;
    for (int attempt = 0;; ++attempt) {
        bool readable = true;
        int descriptor = open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
        if (descriptor < 0 && errno == ENOENT) {
            if (!createHolding(path, firstLine, error)) {
                return false;
            }
            descriptor = open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
        }
        if (descriptor < 0 && errno == EACCES) {
            // Allowed to append, not to read: no look at the last line then.
            descriptor = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            readable = false;
        }
        if (descriptor < 0) {
            error = std::strerror(errno);
            return false;
        }
        struct stat status {};
        if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
            close(descriptor);
            error = "not a regular file";
            return false;
        }
        // Appends of other programs wait for this one, so that the look at the
        // last line sees the end that this line will follow. O_APPEND keeps the
        // line whole even where the lock is not to be had.
        const bool locked = flock(descriptor, LOCK_EX) == 0;
        if (locked && !namesFile(path, descriptor)) {
            // Upgraded (or removed) while this waited: the line goes to the
            // file that the name stands for now.
            close(descriptor);
            if (attempt < 100) {
                continue;
            }
            error = "the file keeps being replaced";
            return false;
        }
        const bool old =
            upgrade != nullptr && readable && startsWith(descriptor, upgrade->oldFirstLine);
        if (old && !upgradeTried) {
            upgradeTried = true;
            std::string why = locked ? "" : "it cannot be locked";
            if (locked && upgradeFile(path, descriptor, *upgrade, why)) {
                close(descriptor);
                continue;
            }
            upgrade->notMade = why.empty() ? "it could not be rewritten" : why;
        }
        std::string data = old ? upgrade->lineInOldFormat : line;
        char last = '\n';
        const off_t size = locked && fstat(descriptor, &status) == 0 ? status.st_size : 0;
        if (readable && size > 0 && pread(descriptor, &last, 1, size - 1) == 1 && last != '\n') {
            data.insert(0, "\r\n");
        }
        const bool written = writeAll(descriptor, data.data(), data.size());
        const int writeError = errno;
        if (close(descriptor) != 0 && written) {
            error = std::strerror(errno);
            return false;
        }
        if (!written) {
            error = std::strerror(writeError);
        }
        return written;
    }
}
