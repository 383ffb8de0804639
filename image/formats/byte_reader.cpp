#include "image/formats/byte_reader.h"

#include "platform/files.h"

namespace {

// Large enough that a file costs few reads, small enough to stay in cache;
// smaller files get a buffer of their own size.
constexpr size_t BUFFER_SIZE = size_t(1) << 20;
constexpr size_t SMALLEST_BUFFER = 256;

// The file's size when the stream can tell it, else BUFFER_SIZE; the
// stream is left at its start.
size_t bufferSizeFor(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return BUFFER_SIZE;
    }
    const long size = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        std::clearerr(file);
        std::rewind(file);
    }
    if (size < 0) {
        return BUFFER_SIZE;
    }
    // One byte more, so that the read that meets the end is the first one.
    return std::clamp(size_t(size) + 1, SMALLEST_BUFFER, BUFFER_SIZE);
}

} // namespace

ByteReader::~ByteReader() {
    if (file != nullptr) {
        std::fclose(file);
    }
    delete[] buffer;
}

bool ByteReader::open(const char* fileName) {
    if (fileName == nullptr || file != nullptr) {
        return false;
    }
    // Only a regular file opens: a folder is a file that cannot be opened.
    file = openRegularFile(fileName);
    if (file == nullptr) {
        return false;
    }
    // The buffer below does the buffering; the stream's own would only add a copy.
    std::setvbuf(file, nullptr, _IONBF, 0);
    capacity = bufferSizeFor(file);
    buffer = new uint8_t[capacity];
    next = buffer;
    end = buffer;
    return true;
}

bool ByteReader::refill() {
    if (file == nullptr || exhausted) {
        return next != end;
    }
    const size_t kept = available();
    if (kept == capacity) {
        return true;
    }
    if (kept > 0 && next != buffer) {
        std::memmove(buffer, next, kept);
    }
    const size_t wanted = capacity - kept;
    const size_t got = std::fread(buffer + kept, 1, wanted, file);
    if (got < wanted) {
        exhausted = true;
    }
    next = buffer;
    end = buffer + kept + got;
    return next != end;
}

void ByteReader::skip(size_t count) {
    while (count > 0) {
        if (next == end && !refill()) {
            return;
        }
        const size_t step = std::min(count, available());
        next += step;
        count -= step;
    }
}
