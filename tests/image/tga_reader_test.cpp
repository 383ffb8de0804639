#include <gtest/gtest.h>

#include "image/formats/byte_reader.h"
#include "image/image.h"
#include "tests/image/image_test_files.h"

namespace {

Bytes tga(const TgaFields& fields, std::initializer_list<int> data) {
    Bytes bytes = tgaHeader(fields);
    append(bytes, data);
    return bytes;
}

void expectPixel(const Image& image, int32_t x, int32_t y, std::initializer_list<float> values) {
    int32_t k = 0;
    for (float value : values) {
        EXPECT_EQ(at(image, x, y, k), value) << "pixel (" << x << ", " << y << ") component " << k;
        ++k;
    }
}

TEST(TgaReader, ByteScaleIsTheCorrectlyRoundedQuotient) {
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(BYTE_SCALE.value[i], float(i) / 255.0f) << i;
    }
    EXPECT_EQ(BYTE_SCALE.value[255], 1.0f);
}

TEST(TgaReader, TrueColourDepthsSwapBlueFirstBytes) {
    TempFolder folder;
    Image image;

    TgaFields spec24;
    spec24.width = 2;
    image.loadTga(folder.write("rgb.tga", tga(spec24, {0, 128, 255, 7, 8, 9})).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    expectPixel(image, 0, 0, {1.0f, byteValue(128), 0.0f});
    expectPixel(image, 1, 0, {byteValue(9), byteValue(8), byteValue(7)});

    TgaFields spec32;
    spec32.depth = 32;
    image.loadTga(folder.write("rgba.tga", tga(spec32, {10, 20, 30, 40})).c_str());
    ASSERT_EQ(image.format, FORMAT_RGBA);
    EXPECT_EQ(image.channels, 4);
    expectPixel(image, 0, 0, {byteValue(30), byteValue(20), byteValue(10), byteValue(40)});

    TgaFields spec16;
    spec16.depth = 16;
    spec16.width = 3;
    const int value = (1 << 10) | (2 << 5) | 3;
    image.loadTga(
        folder.write("16.tga", tga(spec16, {0xFF, 0xFF, 0xFF, 0x7F, value & 0xFF, value >> 8}))
            .c_str());
    ASSERT_EQ(image.format, FORMAT_RGBA);
    expectPixel(image, 0, 0, {0.96875f, 0.96875f, 0.96875f, 1.0f});
    expectPixel(image, 1, 0, {0.96875f, 0.96875f, 0.96875f, 0.0f});
    expectPixel(image, 2, 0, {1.0f / 32, 2.0f / 32, 3.0f / 32, 0.0f});
}

TEST(TgaReader, GreyPixelsAreOneByteAtMostDepths) {
    TempFolder folder;
    Image image;
    // Type 2 with a byte count of 1 (depths 8 to 14) and type 3 with any
    // depth but 16.
    const int cases[][2] = {{2, 8}, {2, 14}, {3, 8}, {3, 15}, {3, 0}, {3, 32}};
    for (const auto& c : cases) {
        TgaFields fields;
        fields.imageType = c[0];
        fields.depth = c[1];
        fields.width = 3;
        image.loadTga(folder.write("grey.tga", tga(fields, {0, 51, 255})).c_str());
        SCOPED_TRACE(::testing::Message() << "type " << c[0] << " depth " << c[1]);
        ASSERT_EQ(image.format, FORMAT_LUMINANCE);
        EXPECT_EQ(image.channels, 1);
        EXPECT_EQ(at(image, 0, 0), 0.0f);
        EXPECT_EQ(at(image, 1, 0), 0.2f);
        EXPECT_EQ(at(image, 2, 0), 1.0f);
    }
}

TEST(TgaReader, ColourMappedEntriesOfEverySize) {
    TempFolder folder;
    Image image;

    // 3-byte entries: entry 5 is red.
    TgaFields fields;
    fields.imageType = 1;
    fields.mapType = 1;
    fields.mapLength = 6;
    fields.entryBits = 24;
    fields.depth = 8;
    fields.width = 3;
    Bytes bytes = tgaHeader(fields);
    for (int entry = 0; entry < 5; ++entry) {
        append(bytes, {entry, entry, entry});
    }
    append(bytes, {0, 0, 255});
    append(bytes, {5, 1, 5});
    image.loadTga(folder.write("map24.tga", bytes).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    expectPixel(image, 0, 0, {1.0f, 0.0f, 0.0f});
    expectPixel(image, 1, 0, {byteValue(1), byteValue(1), byteValue(1)});
    expectPixel(image, 2, 0, {1.0f, 0.0f, 0.0f});

    // 1-byte entries give grey, 4-byte entries RGBA, 2-byte entries 16-bit RGBA.
    fields.entryBits = 8;
    fields.mapLength = 2;
    fields.width = 2;
    image.loadTga(folder.write("map8.tga", tga(fields, {51, 255, 1, 0})).c_str());
    ASSERT_EQ(image.format, FORMAT_LUMINANCE);
    EXPECT_EQ(at(image, 0, 0), 1.0f);
    EXPECT_EQ(at(image, 1, 0), 0.2f);

    fields.entryBits = 32;
    image.loadTga(
        folder.write("map32.tga", tga(fields, {1, 2, 3, 4, 10, 20, 30, 40, 1, 0})).c_str());
    ASSERT_EQ(image.format, FORMAT_RGBA);
    expectPixel(image, 0, 0, {byteValue(30), byteValue(20), byteValue(10), byteValue(40)});
    expectPixel(image, 1, 0, {byteValue(3), byteValue(2), byteValue(1), byteValue(4)});

    fields.entryBits = 16;
    image.loadTga(folder.write("map16.tga", tga(fields, {0x00, 0x80, 0x1F, 0x00, 1, 0})).c_str());
    ASSERT_EQ(image.format, FORMAT_RGBA);
    expectPixel(image, 0, 0, {0.0f, 0.0f, 0.96875f, 0.0f});
    expectPixel(image, 1, 0, {0.0f, 0.0f, 0.0f, 1.0f});

    // Entry sizes 12 bits (1 byte: grey) and 40 bits (5 bytes: refused).
    fields.entryBits = 12;
    image.loadTga(folder.write("map12.tga", tga(fields, {0, 255, 1, 1})).c_str());
    ASSERT_EQ(image.format, FORMAT_LUMINANCE);
    EXPECT_EQ(at(image, 0, 0), 1.0f);
    fields.entryBits = 40;
    image.loadTga(folder.write("map40.tga", tga(fields, {0, 0, 0, 0, 0, 0})).c_str());
    expectEmpty(image);
}

TEST(TgaReader, PaletteIndexPastTheMapGivesZeros) {
    TempFolder folder;
    Image image;
    TgaFields fields;
    fields.imageType = 1;
    fields.mapLength = 2;
    fields.entryBits = 32;
    fields.width = 4;
    image.loadTga(
        folder.write("past.tga", tga(fields, {9, 9, 9, 9, 255, 255, 255, 255, 1, 2, 255, 0}))
            .c_str());
    ASSERT_EQ(image.format, FORMAT_RGBA);
    expectPixel(image, 0, 0, {1.0f, 1.0f, 1.0f, 1.0f});
    expectPixel(image, 1, 0, {0.0f, 0.0f, 0.0f, 0.0f});
    expectPixel(image, 2, 0, {0.0f, 0.0f, 0.0f, 0.0f});
    expectPixel(image, 3, 0, {byteValue(9), byteValue(9), byteValue(9), byteValue(9)});

    // An empty colour map: every pixel is zero.
    fields.mapLength = 0;
    fields.entryBits = 24;
    fields.width = 2;
    image.loadTga(folder.write("nomap.tga", tga(fields, {0, 0})).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    expectPixel(image, 1, 0, {0.0f, 0.0f, 0.0f});
}

TEST(TgaReader, RowsStayInFileOrderWhateverTheOrigin) {
    TempFolder folder;
    TgaFields fields;
    fields.imageType = 3;
    fields.width = 2;
    fields.height = 2;
    Image bottomLeft;
    bottomLeft.loadTga(folder.write("a.tga", tga(fields, {0, 51, 102, 255})).c_str());
    fields.descriptor = 0x20;
    Image topLeft;
    topLeft.loadTga(folder.write("b.tga", tga(fields, {0, 51, 102, 255})).c_str());
    ASSERT_EQ(bottomLeft.height, 2);
    EXPECT_EQ(at(bottomLeft, 0, 0), 0.0f);
    EXPECT_EQ(at(bottomLeft, 1, 0), 0.2f);
    EXPECT_EQ(at(bottomLeft, 0, 1), 0.4f);
    EXPECT_EQ(at(bottomLeft, 1, 1), 1.0f);
    EXPECT_EQ(floatsOf(topLeft), floatsOf(bottomLeft));
}

TEST(TgaReader, IdFieldBecomesTheComment) {
    TempFolder folder;
    Image image;
    image.comment = "old";
    TgaFields fields;
    fields.imageType = 3;
    fields.id = std::string("font", 4) + std::string(1, '\0') + "tail";
    image.loadTga(folder.write("id.tga", tga(fields, {255})).c_str());
    EXPECT_EQ(image.comment, "font");
    EXPECT_EQ(at(image, 0, 0), 1.0f);

    fields.id = "whole";
    image.loadTga(folder.write("id2.tga", tga(fields, {0})).c_str());
    EXPECT_EQ(image.comment, "whole");

    fields.id = "";
    image.loadTga(folder.write("id3.tga", tga(fields, {0})).c_str());
    EXPECT_EQ(image.comment, "");
}

TEST(TgaReader, UnsupportedFilesLeaveTheImageEmpty) {
    TempFolder folder;
    struct Case {
        int type, depth, width, height;
    };
    const Case cases[] = {
        {0, 24, 1, 1}, {10, 24, 1, 1},  {9, 8, 1, 1},  {11, 8, 1, 1},
        {4, 24, 1, 1}, {255, 24, 1, 1}, {2, 40, 1, 1}, {2, 7, 1, 1},
        {2, 0, 1, 1},  {2, 24, 0, 1},   {2, 24, 1, 0}, {2, 32, 0xFFFF, 0xFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << " depth " << c.depth << " "
                                          << c.width << " x " << c.height);
        TgaFields fields;
        fields.imageType = c.type;
        fields.depth = c.depth;
        fields.width = c.width;
        fields.height = c.height;
        fields.id = "id text";
        Image image;
        fillMarker(image);
        image.loadTga(folder.write("bad.tga", tga(fields, {1, 2, 3, 4, 5, 6, 7, 8})).c_str());
        expectEmpty(image);
        EXPECT_EQ(image.comment, "id text");
    }
}

TEST(TgaReader, SizesAndColourMapLengthsUpTo65535) {
    // Width, height and map length are unsigned 16-bit fields.
    TempFolder folder;
    TgaFields wide;
    wide.imageType = 3;
    wide.depth = 8;
    wide.width = 40000;
    Bytes bytes = tgaHeader(wide);
    bytes.resize(bytes.size() + 40000, 51);
    Image image;
    image.loadTga(folder.write("wide.tga", bytes).c_str());
    ASSERT_EQ(image.width, 40000);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(at(image, 39999, 0, 0), byteValue(51));

    TgaFields mapped;
    mapped.mapType = 1;
    mapped.mapLength = 40000;
    mapped.entryBits = 24;
    bytes = tgaHeader(mapped);
    bytes.resize(bytes.size() + 3 * 40000, 0);
    append(bytes, {10, 20, 30});
    image.loadTga(folder.write("map.tga", bytes).c_str());
    expectPixel(image, 0, 0, {byteValue(30), byteValue(20), byteValue(10)});
}

TEST(TgaReader, MissingFileEmptiesButKeepsTheComment) {
    TempFolder folder;
    Image image;
    fillMarker(image);
    image.loadTga(folder.file("absent.tga").c_str());
    expectEmpty(image);
    EXPECT_EQ(image.comment, "marker");
}

// Header fields, the bytes after the header, and the floats they load to.
struct LayoutCase {
    int imageType, depth, mapType, mapFirst, mapLength, entryBits, width;
    std::vector<int> data;
    std::vector<float> expected;
};

void expectLayouts(std::initializer_list<LayoutCase> cases) {
    TempFolder folder;
    for (const LayoutCase& c : cases) {
        TgaFields fields;
        fields.imageType = c.imageType;
        fields.depth = c.depth;
        fields.mapType = c.mapType;
        fields.mapFirst = c.mapFirst;
        fields.mapLength = c.mapLength;
        fields.entryBits = c.entryBits;
        fields.width = c.width;
        Bytes bytes = tgaHeader(fields);
        bytes.insert(bytes.end(), c.data.begin(), c.data.end());
        Image image;
        image.loadTga(folder.write("layout.tga", bytes).c_str());
        EXPECT_EQ(floatsOf(image), c.expected)
            << "type " << c.imageType << " depth " << c.depth << " map type " << c.mapType
            << " first " << c.mapFirst << ", " << c.mapLength << " entries of " << c.entryBits;
    }
}

TEST(TgaReader, ColourMapSkippedOrIndexedFromItsFirstEntry) {
    const float a = byteValue(10);
    const float b = byteValue(20);
    const float half = byteValue(128);
    expectLayouts({
        // Types 2 and 3 skip a colour map (map type 1; 15-bit entries are 2 bytes).
        {2, 24, 1, 0, 2, 24, 1, {9, 9, 9, 9, 9, 9, 255, 128, 0}, {0, half, 1}},
        {3, 8, 1, 0, 3, 15, 1, {9, 9, 9, 9, 9, 9, 255}, {1}},
        {2, 8, 0, 0, 3, 24, 1, {255}, {1}},
        // Type 1: index i takes entry i - first; no stored entry gives zeros.
        {1, 8, 1, 3, 2, 8, 5, {10, 20, 3, 4, 2, 5, 0}, {a, b, 0, 0, 0}},
        {1, 8, 1, 254, 2, 8, 3, {10, 20, 255, 254, 253}, {b, a, 0}},
    });
}

TEST(TgaReader, FifteenBitColoursAndSixteenBitGrey) {
    const float t = 0.96875f;
    expectLayouts({
        // 15 bits: two bytes, alpha 1 whatever bit 15 holds; 16 bits keep it.
        {2, 15, 0, 0, 0, 0, 2, {0xFF, 0xFF, 0x00, 0x7C}, {t, t, t, 1, t, 0, 0, 1}},
        {2, 16, 0, 0, 0, 0, 2, {0xFF, 0xFF, 0x00, 0x7C}, {t, t, t, 1, t, 0, 0, 0}},
        {1, 8, 1, 0, 1, 15, 1, {0xE0, 0x03, 0}, {0, t, 0, 1}},
        // Grey and an alpha byte that is not kept; cut short, the grey byte repeats.
        {3, 16, 0, 0, 0, 0, 3, {0, 99, 51, 99, 255}, {0, 0.2f, 1}},
    });
}

TEST(TgaReader, ShortFilesRepeatTheLastByteOfEachPosition) {
    TempFolder folder;
    Image image;

    // 24-bit, 3 pixels, the file ends after the first byte of pixel 1.
    TgaFields fields;
    fields.width = 3;
    image.loadTga(folder.write("short24.tga", tga(fields, {10, 20, 30, 40})).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    expectPixel(image, 0, 0, {byteValue(30), byteValue(20), byteValue(10)});
    expectPixel(image, 1, 0, {byteValue(30), byteValue(20), byteValue(40)});
    expectPixel(image, 2, 0, {byteValue(30), byteValue(20), byteValue(40)});

    // 16-bit: the high byte repeats on its own.
    fields.depth = 16;
    image.loadTga(folder.write("short16.tga", tga(fields, {0x00, 0x80, 0x1F})).c_str());
    expectPixel(image, 0, 0, {0.0f, 0.0f, 0.0f, 1.0f});
    expectPixel(image, 1, 0, {0.0f, 0.0f, 0.96875f, 1.0f});
    expectPixel(image, 2, 0, {0.0f, 0.0f, 0.96875f, 1.0f});

    // Nothing read yet: zeros.
    fields.depth = 32;
    image.loadTga(folder.write("nodata.tga", tga(fields, {})).c_str());
    ASSERT_EQ(image.format, FORMAT_RGBA);
    for (float value : floatsOf(image)) {
        EXPECT_EQ(value, 0.0f);
    }

    // A short palette repeats its last entry's bytes; index bytes repeat too.
    TgaFields mapped;
    mapped.imageType = 1;
    mapped.mapLength = 3;
    mapped.entryBits = 24;
    mapped.width = 2;
    image.loadTga(folder.write("shortmap.tga", tga(mapped, {0, 0, 255, 255})).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    expectPixel(image, 0, 0, {1.0f, 0.0f, 0.0f});
    expectPixel(image, 1, 0, {1.0f, 0.0f, 0.0f});

    // A header cut short reads its missing bytes as 0: no picture.
    Image cut;
    fillMarker(cut);
    cut.loadTga(folder.write("cut.tga", Bytes{0, 0, 2, 0}).c_str());
    expectEmpty(cut);
}

// The components a true-colour or grey pixel of `bytes` bytes decodes to.
std::vector<float> referencePixel(const uint8_t* bytes, int byteCount) {
    switch (byteCount) {
    case 1:
        return {byteValue(bytes[0])};
    case 2: {
        const int value = bytes[0] | bytes[1] << 8;
        return {float((value >> 10) & 31) / 32.0f, float((value >> 5) & 31) / 32.0f,
                float(value & 31) / 32.0f, (value & 0x8000) != 0 ? 1.0f : 0.0f};
    }
    case 3:
        return {byteValue(bytes[2]), byteValue(bytes[1]), byteValue(bytes[0])};
    default:
        return {byteValue(bytes[2]), byteValue(bytes[1]), byteValue(bytes[0]), byteValue(bytes[3])};
    }
}

TEST(TgaReader, EveryDepthOverManyPixels) {
    TempFolder folder;
    for (int byteCount = 1; byteCount <= 4; ++byteCount) {
        SCOPED_TRACE(::testing::Message() << byteCount << " bytes per pixel");
        TgaFields fields;
        fields.width = 333;
        fields.height = 251;
        fields.depth = byteCount * 8;
        Bytes bytes = tgaHeader(fields);
        const size_t start = bytes.size();
        const size_t pixelCount = 333 * 251;
        for (size_t i = 0; i < pixelCount * size_t(byteCount); ++i) {
            bytes.push_back(uint8_t((i * 131 + i / 7) & 0xFF));
        }
        Image image;
        image.loadTga(folder.write("depth.tga", bytes).c_str());
        ASSERT_EQ(image.width, 333);
        std::vector<float> expected;
        for (size_t p = 0; p < pixelCount; ++p) {
            const std::vector<float> pixel =
                referencePixel(bytes.data() + start + p * size_t(byteCount), byteCount);
            expected.insert(expected.end(), pixel.begin(), pixel.end());
        }
        EXPECT_EQ(floatsOf(image), expected);
    }
}

TEST(TgaReader, LargeFilesDecodeAcrossReadBoundaries) {
    TempFolder folder;
    TgaFields fields;
    fields.width = 700;
    fields.height = 701;
    fields.id = "xy"; // puts a pixel across the first read's end
    Bytes bytes = tgaHeader(fields);
    const size_t pixelCount = 700 * 701;
    for (size_t i = 0; i < pixelCount * 3; ++i) {
        bytes.push_back(uint8_t((i * 7 + i / 251) & 0xFF));
    }
    Image image;
    image.loadTga(folder.write("large.tga", bytes).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    const size_t start = bytes.size() - pixelCount * 3;
    for (size_t p = 0; p < pixelCount; ++p) {
        const uint8_t* source = bytes.data() + start + p * 3;
        ASSERT_EQ(image.pixels[p * 3 + 0], byteValue(source[2])) << p;
        ASSERT_EQ(image.pixels[p * 3 + 1], byteValue(source[1])) << p;
        ASSERT_EQ(image.pixels[p * 3 + 2], byteValue(source[0])) << p;
    }

    // The same file cut in the middle of a pixel past the first read.
    const size_t cutAt = start + 400000 * 3 + 2;
    bytes.resize(cutAt);
    image.loadTga(folder.write("cut.tga", bytes).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    const uint8_t* lastWhole = bytes.data() + start + 399999 * 3;
    const float repeated[3] = {byteValue(lastWhole[2]), byteValue(bytes[cutAt - 1]),
                               byteValue(bytes[cutAt - 2])};
    for (size_t p = 400000; p < pixelCount; p += 977) {
        ASSERT_EQ(image.pixels[p * 3 + 0], repeated[0]) << p;
        ASSERT_EQ(image.pixels[p * 3 + 1], repeated[1]) << p;
        ASSERT_EQ(image.pixels[p * 3 + 2], repeated[2]) << p;
    }
    EXPECT_EQ(image.pixels[pixelCount * 3 - 1], repeated[2]);
}

} // namespace
