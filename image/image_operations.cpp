#include "image/image.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr int32_t POWER_OF_TWO_COUNT = 12;
constexpr int32_t POWERS_OF_TWO[POWER_OF_TWO_COUNT] = {1,  2,   4,   8,   16,   32,
                                                       64, 128, 256, 512, 1024, 2048};

// A coordinate split into its integer part, truncated toward zero, and the
// fraction left over. Integer parts beyond +-2^30 are clamped there: that is
// far past every side an Image can have, so getPixel clamps them to the same
// edge pixel as the true index, and index + 1 still fits. Floats that large
// are whole numbers, so their fraction is 0 either way. An infinite
// coordinate lies past every finite one: fraction 0 at the clamped index.
// Not a number gives index 0 and leaves the fraction not a number.
struct SplitCoordinate {
    int32_t whole;
    float fraction;
};

SplitCoordinate splitCoordinate(float value) {
    constexpr int32_t LIMIT = int32_t(1) << 30;
    if (value != value) {
        return {0, value};
    }
    if (value >= float(LIMIT)) {
        return {LIMIT, 0.0f};
    }
    if (value <= -float(LIMIT)) {
        return {-LIMIT, 0.0f};
    }
    const int32_t whole = int32_t(value);
    return {whole, value - float(whole)};
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
    const SplitCoordinate splitX = splitCoordinate(x);
    const SplitCoordinate splitY = splitCoordinate(y);
    const int32_t ix = splitX.whole;
    const int32_t iy = splitY.whole;
    const float fx = splitX.fraction;
    const float fy = splitY.fraction;

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

namespace {

// Where a sample coordinate falls along one side: its two neighbouring
// pixels, clamped to the side as getPixel clamps them, and its fraction.
struct Tap {
    size_t low;
    size_t high;
    float fraction;
};

Tap tapAt(float position, int32_t size) {
    const SplitCoordinate split = splitCoordinate(position);
    const int32_t whole = split.whole;
    Tap tap;
    tap.fraction = split.fraction;
    tap.low = size_t(std::clamp(whole, 0, size - 1));
    tap.high = size_t(std::clamp(whole + 1, 0, size - 1));
    return tap;
}

// `sample` with the neighbours found beforehand: the same arithmetic on the
// same four pixels.
template <size_t CHANNELS>
inline void blend(const float* source, size_t rowFloats, const Tap& tx, const Tap& ty, float* out) {
    const float* p00 = source + ty.low * rowFloats + tx.low * CHANNELS;
    const float* p10 = source + ty.low * rowFloats + tx.high * CHANNELS;
    const float* p01 = source + ty.high * rowFloats + tx.low * CHANNELS;
    const float* p11 = source + ty.high * rowFloats + tx.high * CHANNELS;
    const float fx = tx.fraction;
    const float fy = ty.fraction;
    for (size_t k = 0; k < CHANNELS; ++k) {
        out[k] = (1.0f - fy) * ((1.0f - fx) * p00[k] + fx * p10[k]) +
                 fy * ((1.0f - fx) * p01[k] + fx * p11[k]);
    }
}

// Takes the pixel array of `image` into `holder`, leaving `image` empty.
void takePicture(Image& image, Image& holder) {
    std::swap(holder.pixels, image.pixels);
    holder.format = image.format;
    holder.width = image.width;
    holder.height = image.height;
    holder.channels = image.channels;
    image.clear();
}

template <size_t CHANNELS>
void resampleBilinear(const Image& source, Image& target, const std::vector<Tap>& columns,
                      const std::vector<Tap>& rows) {
    const size_t rowFloats = size_t(source.width) * CHANNELS;
    float* out = target.pixels;
    for (const Tap& ty : rows) {
        for (const Tap& tx : columns) {
            blend<CHANNELS>(source.pixels, rowFloats, tx, ty, out);
            out += CHANNELS;
        }
    }
}

// Columns and rows come in pairs: the sample a quarter before and the one a
// quarter after each new pixel's position.
template <size_t CHANNELS>
void resampleAveraged(const Image& source, Image& target, const std::vector<Tap>& columns,
                      const std::vector<Tap>& rows) {
    const size_t rowFloats = size_t(source.width) * CHANNELS;
    float* out = target.pixels;
    float corner[4][CHANNELS];
    for (size_t i = 0; i < rows.size(); i += 2) {
        const Tap& y0 = rows[i];
        const Tap& y1 = rows[i + 1];
        for (size_t j = 0; j < columns.size(); j += 2) {
            const Tap& x0 = columns[j];
            const Tap& x1 = columns[j + 1];
            blend<CHANNELS>(source.pixels, rowFloats, x0, y0, corner[0]);
            blend<CHANNELS>(source.pixels, rowFloats, x0, y1, corner[1]);
            blend<CHANNELS>(source.pixels, rowFloats, x1, y0, corner[2]);
            blend<CHANNELS>(source.pixels, rowFloats, x1, y1, corner[3]);
            for (size_t k = 0; k < CHANNELS; ++k) {
                float sum = corner[0][k];
                sum += corner[1][k];
                sum += corner[2][k];
                sum += corner[3][k];
                out[k] = sum * 0.25f;
            }
            out += CHANNELS;
        }
    }
}

template <template <size_t> class Resample>
void resampleByChannels(const Image& source, Image& target, const std::vector<Tap>& columns,
                        const std::vector<Tap>& rows) {
    switch (source.channels) {
    case 1:
        Resample<1>::run(source, target, columns, rows);
        break;
    case 3:
        Resample<3>::run(source, target, columns, rows);
        break;
    case 4:
        Resample<4>::run(source, target, columns, rows);
        break;
    default:
        break;
    }
}

template <size_t CHANNELS> struct Bilinear {
    static void run(const Image& source, Image& target, const std::vector<Tap>& columns,
                    const std::vector<Tap>& rows) {
        resampleBilinear<CHANNELS>(source, target, columns, rows);
    }
};

template <size_t CHANNELS> struct Averaged {
    static void run(const Image& source, Image& target, const std::vector<Tap>& columns,
                    const std::vector<Tap>& rows) {
        resampleAveraged<CHANNELS>(source, target, columns, rows);
    }
};

} // namespace

// Both scalers work on the old picture taken out of the Image, and sample it
// at positions worked out once per column and once per row; each new pixel
// gets the value `sample` gives at its position.
void Image::scaleBilinear(int32_t newWidth, int32_t newHeight) {
    if (pixels == nullptr) {
        return;
    }
    const float fx = float(newWidth) / float(width);
    const float fy = float(newHeight) / float(height);
    Image source;
    takePicture(*this, source);
    if (!create(newWidth, newHeight, source.format)) {
        return;
    }
    const float stepX = 1.0f / fx;
    std::vector<Tap> columns(static_cast<size_t>(newWidth));
    std::vector<Tap> rows(static_cast<size_t>(newHeight));
    for (int32_t j = 0; j < newWidth; ++j) {
        columns[size_t(j)] = tapAt(float(j) * stepX, source.width);
    }
    for (int32_t i = 0; i < newHeight; ++i) {
        rows[size_t(i)] = tapAt(float(i) / fy, source.height);
    }
    resampleByChannels<Bilinear>(source, *this, columns, rows);
}

void Image::scaleAveraged(int32_t newWidth, int32_t newHeight) {
    if (pixels == nullptr) {
        return;
    }
    const float sx = float(width) / float(newWidth);
    const float sy = float(height) / float(newHeight);
    Image source;
    takePicture(*this, source);
    if (!create(newWidth, newHeight, source.format)) {
        return;
    }
    std::vector<Tap> columns(2 * size_t(newWidth));
    std::vector<Tap> rows(2 * size_t(newHeight));
    for (int32_t j = 0; j < newWidth; ++j) {
        columns[2 * size_t(j)] = tapAt((float(j) - 0.25f) * sx, source.width);
        columns[2 * size_t(j) + 1] = tapAt((float(j) + 0.25f) * sx, source.width);
    }
    for (int32_t i = 0; i < newHeight; ++i) {
        rows[2 * size_t(i)] = tapAt((float(i) - 0.25f) * sy, source.height);
        rows[2 * size_t(i) + 1] = tapAt((float(i) + 0.25f) * sy, source.height);
    }
    resampleByChannels<Averaged>(source, *this, columns, rows);
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
