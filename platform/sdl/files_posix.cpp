#include "platform/files.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
