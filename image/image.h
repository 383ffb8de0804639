// Image: a raster of 32-bit float components, row 0 at the bottom of the
// picture. Every picture on its way from a file to a texture passes through
// one of these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum PixelFormat : int32_t {
    FORMAT_NONE = 0,
    FORMAT_RGB = 1,
    FORMAT_RGBA = 2,
    FORMAT_BGR = 3,
    FORMAT_BGRA = 4,
    FORMAT_LUMINANCE = 5,
    FORMAT_HSV = 6, // a conversion target only; never stored
};

// Largest number of floats one Image may hold (1 GiB of components).
constexpr int64_t IMAGE_MAX_FLOATS = int64_t(1) << 28;

class ByteReader;

class Image {
  public:
    float* pixels = nullptr;
    std::string comment;
    int32_t format = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 0;

    Image() = default;
    Image(const Image& source);
    Image& operator=(const Image&) = delete;
    ~Image();

    // --- buffer ---
    void clear();
    bool create(int32_t width, int32_t height, int32_t format);
    void getPixel(float* out, int32_t x, int32_t y) const;
    void setPixel(const float* values, int32_t x, int32_t y);
    void flipRows();
    bool holdsPicture() const;
    // width x height x channels, or 0 without pixels.
    size_t floatCount() const;

    // --- operations ---
    void sample(float* out, float x, float y) const;
    void scaleBilinear(int32_t newWidth, int32_t newHeight);
    void scaleAveraged(int32_t newWidth, int32_t newHeight);
    void fitPowerOfTwo(bool downward, bool square);
    void convertPixel(float* rgba, int32_t format) const;

    // --- file readers (image/formats/) ---
    void loadFile(const char* fileName);
    void loadTga(const char* fileName);
    void loadBmp(const char* fileName);
    void loadPnm(const char* fileName);
    void skipPnmFiller(ByteReader& stream);
};

float maxOf3(const float* values);
float minOf3(const float* values);

// Channel count of a storable format, 0 for any other code.
int32_t channelsOf(int32_t format);
