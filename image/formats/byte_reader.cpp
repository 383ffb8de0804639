#include "image/formats/byte_reader.h"

namespace {

// Large enough that a file costs few reads, small enough to stay in cache.
constexpr size_t BUFFER_SIZE = size_t(1) << 20;

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
    file = std::fopen(fileName, "rb");
    if (file == nullptr) {
        return false;
    }
    // The buffer below does the buffering; the stream's own would only add a copy.
    std::setvbuf(file, nullptr, _IONBF, 0);
    buffer = new uint8_t[BUFFER_SIZE];
    capacity = BUFFER_SIZE;
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
