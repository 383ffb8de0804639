#include "image/image.h"

namespace {

constexpr int32_t POWER_OF_TWO_COUNT = 12;
constexpr int32_t POWERS_OF_TWO[POWER_OF_TWO_COUNT] = {1,  2,   4,   8,   16,   32,
                                                       64, 128, 256, 512, 1024, 2048};

// Truncation toward zero that stays defined for any float: positions far
// outside every picture are all clamped to its edge by getPixel anyway.
int32_t truncateToInt(float value) {
    constexpr float LIMIT = 1.0e9f;
    if (value != value) {
        return 0;
    }
    if (value >= LIMIT) {
        return int32_t(LIMIT);
    }
    if (value <= -LIMIT) {
        return -int32_t(LIMIT);
    }
    return int32_t(value);
}

// Index into POWERS_OF_TWO for one side, or -1 when the side is already a
// power of two from 2 to 2048.
int32_t powerOfTwoIndex(int32_t side, bool downward) {
    int32_t index = -1;
    for (int32_t i = 0; i + 1 < POWER_OF_TWO_COUNT; ++i) {
        if (POWERS_OF_TWO[i] < side && side < POWERS_OF_TWO[i + 1]) {
            index = downward ? i : i + 1;
        }
    }
    if (side <= 1) {
        index = 0;
    }
    if (side > POWERS_OF_TWO[POWER_OF_TWO_COUNT - 1]) {
        index = POWER_OF_TWO_COUNT - 1;
    }
    return index;
}

} // namespace

float maxOf3(const float* values) {
    if (!(values[0] < values[1]) && !(values[0] < values[2])) {
        return values[0];
    }
    if (!(values[1] < values[0]) && !(values[1] < values[2])) {
        return values[1];
    }
    if (!(values[2] < values[1]) && !(values[2] < values[0])) {
        return values[2];
    }
    return 0.0f;
}

float minOf3(const float* values) {
    if (!(values[0] > values[1]) && !(values[0] > values[2])) {
        return values[0];
    }
    if (!(values[1] > values[0]) && !(values[1] > values[2])) {
        return values[1];
    }
    if (!(values[2] > values[1]) && !(values[2] > values[0])) {
        return values[2];
    }
    return 0.0f;
}

void Image::sample(float* out, float x, float y) const {
    const int32_t ix = truncateToInt(x);
    const int32_t iy = truncateToInt(y);
    const float fx = x - float(ix);
    const float fy = y - float(iy);

    float p00[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float p10[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float p11[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float p01[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    getPixel(p00, ix, iy);
    getPixel(p10, ix + 1, iy);
    getPixel(p11, ix + 1, iy + 1);
    getPixel(p01, ix, iy + 1);

    for (int32_t k = 0; k < channels && k < 4; ++k) {
        out[k] = (1.0f - fy) * ((1.0f - fx) * p00[k] + fx * p10[k]) +
                 fy * ((1.0f - fx) * p01[k] + fx * p11[k]);
    }
}

void Image::scaleBilinear(int32_t newWidth, int32_t newHeight) {
    if (pixels == nullptr) {
        return;
    }
    const float fx = float(newWidth) / float(width);
    const float fy = float(newHeight) / float(height);
    const Image source(*this);
    if (!create(newWidth, newHeight, source.format)) {
        return;
    }
    const float stepX = 1.0f / fx;
    float value[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int32_t i = 0; i < newHeight; ++i) {
        const float y = float(i) / fy;
        for (int32_t j = 0; j < newWidth; ++j) {
            const float x = float(j) * stepX;
            source.sample(value, x, y);
            setPixel(value, j, i);
        }
    }
}

void Image::scaleAveraged(int32_t newWidth, int32_t newHeight) {
    if (pixels == nullptr) {
        return;
    }
    const float sx = float(width) / float(newWidth);
    const float sy = float(height) / float(newHeight);
    const Image source(*this);
    if (!create(newWidth, newHeight, source.format)) {
        return;
    }
    float corner[4][4] = {};
    float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int32_t i = 0; i < newHeight; ++i) {
        const float y0 = (float(i) - 0.25f) * sy;
        const float y1 = (float(i) + 0.25f) * sy;
        for (int32_t j = 0; j < newWidth; ++j) {
            const float x0 = (float(j) - 0.25f) * sx;
            const float x1 = (float(j) + 0.25f) * sx;
            source.sample(corner[0], x0, y0);
            source.sample(corner[1], x0, y1);
            source.sample(corner[2], x1, y0);
            source.sample(corner[3], x1, y1);
            for (int32_t k = 0; k < channels; ++k) {
                sum[k] = corner[0][k];
                sum[k] += corner[1][k];
                sum[k] += corner[2][k];
                sum[k] += corner[3][k];
                sum[k] *= 0.25f;
            }
            setPixel(sum, j, i);
        }
    }
}

void Image::fitPowerOfTwo(bool downward, bool square) {
    if (pixels == nullptr) {
        return;
    }
    int32_t widthIndex = powerOfTwoIndex(width, downward);
    int32_t heightIndex = powerOfTwoIndex(height, downward);
    if (square) {
        const bool widthFirst = downward ? widthIndex < heightIndex : widthIndex > heightIndex;
        const int32_t shared = widthFirst ? widthIndex : heightIndex;
        widthIndex = shared;
        heightIndex = shared;
    }
    if (widthIndex == -1 || heightIndex == -1) {
        return;
    }
    const int32_t newWidth = POWERS_OF_TWO[widthIndex];
    const int32_t newHeight = POWERS_OF_TWO[heightIndex];
    if (newWidth < width || newHeight < height) {
        scaleAveraged(newWidth, newHeight);
    } else {
        scaleBilinear(newWidth, newHeight);
    }
}

void Image::convertPixel(float* rgba, int32_t targetFormat) const {
    const float red = rgba[0];
    const float green = rgba[1];
    const float blue = rgba[2];
    const float alpha = rgba[3];
    switch (targetFormat) {
    case FORMAT_RGB:
        rgba[3] = 1.0f;
        break;
    case FORMAT_RGBA:
        break;
    case FORMAT_BGR:
        rgba[0] = blue;
        rgba[2] = red;
        rgba[3] = 1.0f;
        break;
    case FORMAT_BGRA:
        rgba[0] = blue;
        rgba[2] = red;
        rgba[3] = alpha;
        break;
    case FORMAT_LUMINANCE: {
        double weighted = 0.8 * blue + 1.3 * green;
        weighted = weighted + red;
        const float luminance = float(weighted * 0.3333333333333333);
        rgba[0] = luminance;
        rgba[1] = luminance;
        rgba[2] = luminance;
        rgba[3] = 1.0f;
        break;
    }
    case FORMAT_HSV: {
        const float value = maxOf3(rgba);
        const float minimum = minOf3(rgba);
        const float delta = value - minimum;
        if (value == 0.0f) {
            return;
        }
        const float saturation = delta / value;
        float hue = 0.0f;
        if (delta != 0.0f) {
            float sector = 0.0f;
            if (red == value) {
                sector = (green - blue) / delta;
            } else if (green == value) {
                sector = (blue - red) / delta + 2.0f;
            } else {
                sector = (red - green) / delta + 4.0f;
            }
            hue = sector * 60.0f;
            if (hue < 0.0f) {
                hue += 360.0f;
            }
        }
        rgba[0] = hue;
        rgba[1] = saturation;
        rgba[2] = value;
        break;
    }
    default:
        break;
    }
}
