#include "platform/files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
                  std::string& error) {
    if (!makeFolders(parentFolder(path), error)) {
        return false;
    }
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
    std::string data = line;
    char last = '\n';
    const off_t size = locked && fstat(descriptor, &status) == 0 ? status.st_size : 0;
    if (size > 0 && pread(descriptor, &last, 1, size - 1) == 1 && last != '\n') {
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
