#include "platform/files.h"

#include <cerrno>
#include <cstring>

bool readWholeFile(const std::string& path, std::string& contents, std::string& error) {
    std::FILE* file = openRegularFile(path, &error);
    if (file == nullptr) {
        return false;
    }
    contents.clear();
    char buffer[1 << 16];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        contents.append(buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = std::strerror(EIO);
    }
    return !failed;
}
