#include "image/image.h"

#include "image/pixel_storage.h"

#include <algorithm>
#include <cstring>

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
