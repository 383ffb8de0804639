// Helpers for the image tests: a private temporary folder per test, files
// written byte by byte, and builders for the headers of each format.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "image/image.h"

using Bytes = std::vector<uint8_t>;

inline void append(Bytes& bytes, std::initializer_list<int> values) {
    for (int value : values) {
        bytes.push_back(uint8_t(value));
    }
}

inline void append(Bytes& bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

inline void appendLe16(Bytes& bytes, uint32_t value) {
    bytes.push_back(uint8_t(value & 0xFF));
    bytes.push_back(uint8_t((value >> 8) & 0xFF));
}

inline void appendLe32(Bytes& bytes, uint32_t value) {
    appendLe16(bytes, value & 0xFFFF);
    appendLe16(bytes, value >> 16);
}

// A folder of its own under the system's temporary folder, removed with
// everything in it when the test ends.
class TempFolder {
  public:
    TempFolder() {
        static int counter = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "tq_image_";
        if (info != nullptr) {
            name += std::string(info->test_suite_name()) + "_" + info->name() + "_";
        }
        name += std::to_string(std::random_device()()) + "_" + std::to_string(counter++);
        path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes `bytes` to `name` inside the folder and returns the full name.
    std::string write(const std::string& name, const Bytes& bytes) const {
        const std::string full = file(name);
        std::ofstream out(full, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        EXPECT_TRUE(out.good()) << full;
        return full;
    }
    std::string write(const std::string& name, const std::string& text) const {
        return write(name, Bytes(text.begin(), text.end()));
    }
    std::string file(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
};

// Every float of the Image, in storage order.
inline std::vector<float> floatsOf(const Image& image) {
    return std::vector<float>(image.pixels, image.pixels + image.floatCount());
}

// Component k of pixel (x, y).
inline float at(const Image& image, int32_t x, int32_t y, int32_t k = 0) {
    return image
        .pixels[(size_t(y) * size_t(image.width) + size_t(x)) * size_t(image.channels) + size_t(k)];
}

inline void expectEmpty(const Image& image) {
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.format, 0);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.channels, 0);
}

// An Image holding a recognisable 2 x 2 RGBA picture and a comment, to show
// that a call left it alone.
inline void fillMarker(Image& image) {
    ASSERT_TRUE(image.create(2, 2, FORMAT_RGBA));
    for (size_t i = 0; i < image.floatCount(); ++i) {
        image.pixels[i] = float(i) * 0.125f;
    }
    image.comment = "marker";
}

inline void expectMarker(const Image& image) {
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(image.format, FORMAT_RGBA);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(image.channels, 4);
    for (size_t i = 0; i < image.floatCount(); ++i) {
        EXPECT_EQ(image.pixels[i], float(i) * 0.125f) << "float " << i;
    }
    EXPECT_EQ(image.comment, "marker");
}

// Byte values as the readers scale them.
inline float byteValue(int value) {
    return float(value) / 255.0f;
}

// The luminance of a grey value v: weights 0.8 (blue) and 1.3 (green) summed
// first, then red's 1, over 3.
inline float greyLuminance(float v) {
    return float((0.8 * v + 1.3 * v + v) * 0.3333333333333333);
}

// --- TGA ---
struct TgaFields {
    int idLength = -1; // -1: the length of `id`
    std::string id;
    int mapType = 0;
    int imageType = 2;
    int mapFirst = 0;
    int mapLength = 0;
    int entryBits = 0;
    int width = 1;
    int height = 1;
    int depth = 24;
    int descriptor = 0;
};

inline Bytes tgaHeader(const TgaFields& fields) {
    Bytes bytes;
    append(bytes, {fields.idLength < 0 ? int(fields.id.size()) : fields.idLength, fields.mapType,
                   fields.imageType});
    appendLe16(bytes, uint32_t(fields.mapFirst));
    appendLe16(bytes, uint32_t(fields.mapLength));
    append(bytes, {fields.entryBits});
    appendLe16(bytes, 0);
    appendLe16(bytes, 0);
    appendLe16(bytes, uint32_t(fields.width));
    appendLe16(bytes, uint32_t(fields.height));
    append(bytes, {fields.depth, fields.descriptor});
    append(bytes, fields.id);
    return bytes;
}

// --- BMP ---
struct BmpFields {
    int width = 1;
    int height = 1;
    uint32_t signature = 0x4D42;
    uint32_t offset = 54;
    uint32_t infoSize = 40;
    uint32_t bits = 24;
    uint32_t compression = 0;
};

inline Bytes bmpHeader(const BmpFields& fields) {
    Bytes bytes;
    appendLe16(bytes, fields.signature);
    appendLe32(bytes, 0);
    appendLe16(bytes, 0);
    appendLe16(bytes, 0);
    appendLe32(bytes, fields.offset);
    appendLe32(bytes, fields.infoSize);
    appendLe32(bytes, uint32_t(fields.width));
    appendLe32(bytes, uint32_t(fields.height));
    appendLe16(bytes, 1);
    appendLe16(bytes, fields.bits);
    appendLe32(bytes, fields.compression);
    for (int i = 0; i < 4; ++i) {
        appendLe32(bytes, 0);
    }
    appendLe32(bytes, 0);
    return bytes;
}
