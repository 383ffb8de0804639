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
