#include "image/image.h"

#include <algorithm>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Large pixel arrays start on a 2 MiB boundary and ask the system for huge
// pages: a freshly read picture touches every page of its array once, and
// with small pages most of the loading time would go to page faults.
constexpr size_t LARGE_ARRAY_BYTES = size_t(4) << 20;
constexpr size_t LARGE_ALIGNMENT = size_t(2) << 20;
constexpr size_t SMALL_ALIGNMENT = 64;

// Each array is carved out of a byte block whose start is stored just
// before the array, so release needs nothing but the array itself.
float* allocatePixels(size_t count) {
    const size_t bytes = count * sizeof(float);
    const size_t alignment = bytes >= LARGE_ARRAY_BYTES ? LARGE_ALIGNMENT : SMALL_ALIGNMENT;
    unsigned char* block = new unsigned char[bytes + alignment + sizeof(unsigned char*)];
    const uintptr_t first = reinterpret_cast<uintptr_t>(block) + sizeof(unsigned char*);
    const uintptr_t aligned = (first + alignment - 1) & ~uintptr_t(alignment - 1);
    unsigned char* start = reinterpret_cast<unsigned char*>(aligned);
    std::memcpy(start - sizeof(unsigned char*), &block, sizeof(unsigned char*));
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (alignment == LARGE_ALIGNMENT) {
        madvise(start, bytes & ~(LARGE_ALIGNMENT - 1), MADV_HUGEPAGE);
    }
#endif
    return reinterpret_cast<float*>(start);
}

void releasePixels(float* pixels) {
    if (pixels == nullptr) {
        return;
    }
    unsigned char* block = nullptr;
    std::memcpy(&block, reinterpret_cast<unsigned char*>(pixels) - sizeof(unsigned char*),
                sizeof(unsigned char*));
    delete[] block;
}

} // namespace

int32_t channelsOf(int32_t format) {
    switch (format) {
    case FORMAT_RGB:
    case FORMAT_BGR:
        return 3;
    case FORMAT_RGBA:
    case FORMAT_BGRA:
        return 4;
    case FORMAT_LUMINANCE:
        return 1;
    default:
        return 0;
    }
}

Image::Image(const Image& source) {
    if (source.pixels == nullptr) {
        return;
    }
    if (create(source.width, source.height, source.format)) {
        std::memcpy(pixels, source.pixels, floatCount() * sizeof(float));
    }
}

Image::~Image() {
    releasePixels(pixels);
}

void Image::clear() {
    format = 0;
    width = 0;
    height = 0;
    channels = 0;
    releasePixels(pixels);
    pixels = nullptr;
}

bool Image::create(int32_t newWidth, int32_t newHeight, int32_t newFormat) {
    clear();
    const int32_t newChannels = channelsOf(newFormat);
    if (newChannels == 0 || newWidth <= 0 || newHeight <= 0) {
        return false;
    }
    // Both sides are below 2^31, so their product fits in 64 bits; the
    // channel factor is applied as a division to stay clear of overflow.
    const int64_t pixelCount = int64_t(newWidth) * int64_t(newHeight);
    if (pixelCount > IMAGE_MAX_FLOATS / newChannels) {
        return false;
    }
    pixels = allocatePixels(size_t(pixelCount) * size_t(newChannels));
    width = newWidth;
    height = newHeight;
    channels = newChannels;
    format = newFormat;
    return true;
}

void Image::getPixel(float* out, int32_t x, int32_t y) const {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    const float* source = pixels + (size_t(y) * size_t(width) + size_t(x)) * size_t(channels);
    for (int32_t k = 0; k < channels; ++k) {
        out[k] = source[k];
    }
}

void Image::setPixel(const float* values, int32_t x, int32_t y) {
    if (pixels == nullptr || x < 0 || x >= width || y < 0 || y >= height) {
        return;
    }
    float* target = pixels + (size_t(y) * size_t(width) + size_t(x)) * size_t(channels);
    for (int32_t k = 0; k < channels; ++k) {
        target[k] = values[k];
    }
}

void Image::flipRows() {
    if (pixels == nullptr) {
        return;
    }
    // Swapping rows from both ends in place gives the same picture as copying
    // every row into fresh storage, without holding the picture twice.
    const size_t rowFloats = size_t(width) * size_t(channels);
    for (int32_t low = 0, high = height - 1; low < high; ++low, --high) {
        std::swap_ranges(pixels + size_t(low) * rowFloats, pixels + size_t(low + 1) * rowFloats,
                         pixels + size_t(high) * rowFloats);
    }
}

bool Image::holdsPicture() const {
    return pixels != nullptr && width > 0 && height > 0 && format >= FORMAT_RGB &&
           format <= FORMAT_HSV;
}

size_t Image::floatCount() const {
    if (pixels == nullptr) {
        return 0;
    }
    return size_t(width) * size_t(height) * size_t(channels);
}
