#include "image/pixel_storage.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// A freshly read picture touches every page of its array once, so for large
// pictures page faults would cost more than the decoding. Large arrays
// therefore start on a 2 MiB boundary and ask the system for huge pages, and
// the most recently released large array (up to SPARE_LIMIT bytes) is kept
// for the next picture of a similar size, as the allocator itself does for
// smaller blocks.

namespace {

constexpr size_t LARGE_ARRAY_BYTES = size_t(4) << 20;
constexpr size_t LARGE_ALIGNMENT = size_t(2) << 20;
constexpr size_t SMALL_ALIGNMENT = 64;
constexpr size_t SPARE_LIMIT = size_t(64) << 20;

// Stored in front of each array: the byte block it was carved from and the
// array's usable size.
struct BlockHeader {
    unsigned char* block;
    size_t capacity;
};

BlockHeader headerOf(const float* pixels) {
    BlockHeader header;
    std::memcpy(&header, reinterpret_cast<const unsigned char*>(pixels) - sizeof(BlockHeader),
                sizeof(BlockHeader));
    return header;
}

void deleteArray(float* pixels) {
    if (pixels != nullptr) {
        delete[] headerOf(pixels).block;
    }
}

// The one large array kept for reuse, released at exit. Taken and put back
// by exchange, so Images on different threads never share an array.
struct SpareArray {
    std::atomic<float*> pixels{nullptr};
    ~SpareArray() { deleteArray(pixels.exchange(nullptr)); }
};

SpareArray spare;

float* carveArray(size_t bytes) {
    const size_t alignment = bytes >= LARGE_ARRAY_BYTES ? LARGE_ALIGNMENT : SMALL_ALIGNMENT;
    unsigned char* block = new unsigned char[bytes + alignment + sizeof(BlockHeader)];
    const uintptr_t first = reinterpret_cast<uintptr_t>(block) + sizeof(BlockHeader);
    const uintptr_t aligned = (first + alignment - 1) & ~uintptr_t(alignment - 1);
    unsigned char* start = reinterpret_cast<unsigned char*>(aligned);
    const BlockHeader header{block, bytes};
    std::memcpy(start - sizeof(BlockHeader), &header, sizeof(BlockHeader));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (alignment == LARGE_ALIGNMENT) {
        madvise(start, bytes & ~(LARGE_ALIGNMENT - 1), MADV_HUGEPAGE);
    }
#endif
    return reinterpret_cast<float*>(start);
}

} // namespace

float* allocatePixels(size_t count) {
    const size_t bytes = count * sizeof(float);
    if (bytes >= LARGE_ARRAY_BYTES) {
        float* reused = spare.pixels.exchange(nullptr);
        if (reused != nullptr) {
            const size_t capacity = headerOf(reused).capacity;
            // Reused only when at most half of it would lie idle.
            if (capacity >= bytes && capacity / 2 <= bytes) {
                return reused;
            }
            deleteArray(spare.pixels.exchange(reused));
        }
    }
    return carveArray(bytes);
}

void releasePixels(float* pixels) {
    if (pixels == nullptr) {
        return;
    }
    const BlockHeader header = headerOf(pixels);
    if (header.capacity >= LARGE_ARRAY_BYTES && header.capacity <= SPARE_LIMIT) {
        deleteArray(spare.pixels.exchange(pixels));
        return;
    }
    delete[] header.block;
}
