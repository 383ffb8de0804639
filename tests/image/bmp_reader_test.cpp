#include <gtest/gtest.h>

#include <climits>

#include "image/image.h"
#include "tests/image/image_test_files.h"

namespace {

void expectRgb(const Image& image, int32_t x, int32_t y, int r, int g, int b) {
    EXPECT_EQ(at(image, x, y, 0), byteValue(r)) << "(" << x << ", " << y << ") red";
    EXPECT_EQ(at(image, x, y, 1), byteValue(g)) << "(" << x << ", " << y << ") green";
    EXPECT_EQ(at(image, x, y, 2), byteValue(b)) << "(" << x << ", " << y << ") blue";
}

// Pixel bytes of (x, y) in a generated picture, blue first.
int patternByte(int x, int y, int k) {
    return (x * 40 + y * 90 + k * 70 + 5) % 256;
}

Bytes patternBmp(int width, int height, int paddingByte) {
    BmpFields fields;
    fields.width = width;
    fields.height = height;
    Bytes bytes = bmpHeader(fields);
    const int rows = height < 0 ? -height : height;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width; ++x) {
            append(bytes, {patternByte(x, y, 0), patternByte(x, y, 1), patternByte(x, y, 2)});
        }
        for (int p = 0; p < (4 - (3 * width) % 4) % 4; ++p) {
            bytes.push_back(uint8_t(paddingByte));
        }
    }
    return bytes;
}

TEST(BmpReader, ReadsTheWorkedExample) {
    TempFolder folder;
    BmpFields fields;
    fields.width = 2;
    fields.height = 2;
    Bytes bytes = bmpHeader(fields);
    append(bytes, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0});
    Image image;
    image.comment = "untouched";
    image.loadBmp(folder.write("example.bmp", bytes).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    expectRgb(image, 0, 0, 255, 0, 0);
    expectRgb(image, 1, 0, 0, 255, 0);
    expectRgb(image, 0, 1, 0, 0, 255);
    expectRgb(image, 1, 1, 255, 255, 255);
    EXPECT_EQ(image.comment, "untouched");
}

TEST(BmpReader, SkipsRowPaddingForEveryWidth) {
    TempFolder folder;
    for (int width = 1; width <= 6; ++width) {
        SCOPED_TRACE(::testing::Message() << "width " << width);
        const Bytes bytes = patternBmp(width, 3, 0xEE);
        EXPECT_EQ(bytes.size(), size_t(54 + 3 * ((3 * width + 3) / 4 * 4)));
        Image image;
        image.loadBmp(folder.write("pad.bmp", bytes).c_str());
        ASSERT_EQ(image.width, width);
        ASSERT_EQ(image.height, 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                expectRgb(image, x, y, patternByte(x, y, 2), patternByte(x, y, 1),
                          patternByte(x, y, 0));
            }
        }
    }
}

TEST(BmpReader, TopDownRowsArePutBottomUp) {
    TempFolder folder;
    // The same stored rows, once marked bottom-up and once top-down.
    Image bottomUp;
    bottomUp.loadBmp(folder.write("up.bmp", patternBmp(3, 4, 0)).c_str());
    Bytes topDownBytes = patternBmp(3, 4, 0);
    const Bytes negative = bmpHeader(BmpFields{3, -4});
    std::copy(negative.begin(), negative.end(), topDownBytes.begin());
    Image topDown;
    topDown.loadBmp(folder.write("down.bmp", topDownBytes).c_str());
    ASSERT_EQ(topDown.height, 4);
    ASSERT_EQ(bottomUp.height, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) {
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(at(topDown, x, y, k), at(bottomUp, x, 3 - y, k));
            }
        }
    }
}

TEST(BmpReader, UnacceptedHeadersLeaveTheImageUntouched) {
    TempFolder folder;
    BmpFields variants[8];
    variants[0].bits = 32;
    variants[1].offset = 1078; // 8-bit file with a colour table
    variants[1].bits = 8;
    variants[2].infoSize = 108;
    variants[3].infoSize = 12;
    variants[4].compression = 1;
    variants[5].signature = 0x4D43;
    variants[6].offset = 58;
    variants[7].width = -2;
    for (const BmpFields& fields : variants) {
        Bytes bytes = bmpHeader(fields);
        append(bytes, {1, 2, 3, 4, 5, 6, 7, 8});
        Image image;
        fillMarker(image);
        image.loadBmp(folder.write("rejected.bmp", bytes).c_str());
        expectMarker(image);
    }
    Image image;
    fillMarker(image);
    image.loadBmp(folder.write("text.bmp", std::string("not a bitmap")).c_str());
    expectMarker(image);
    image.loadBmp(folder.write("empty.bmp", std::string()).c_str());
    expectMarker(image);
}

TEST(BmpReader, MissingFileOrNoPixelsEmptiesTheImage) {
    TempFolder folder;
    Image image;
    fillMarker(image);
    image.loadBmp(folder.file("absent.bmp").c_str());
    expectEmpty(image);
    EXPECT_EQ(image.comment, "marker");

    const BmpFields sizes[] = {{0, 5}, {5, 0}, {1, INT_MIN}, {INT_MAX, 1}, {20000, 20000}};
    for (const BmpFields& fields : sizes) {
        Image sized;
        fillMarker(sized);
        sized.loadBmp(folder.write("sized.bmp", bmpHeader(fields)).c_str());
        expectEmpty(sized);
    }
}

TEST(BmpReader, ShortFilesRepeatTheLastByteOfEachPosition) {
    TempFolder folder;
    BmpFields fields;
    fields.width = 2;
    fields.height = 2;
    Bytes bytes = bmpHeader(fields);
    append(bytes, {10, 20, 30, 40, 50, 60, 0, 0, 70});
    Image image;
    image.loadBmp(folder.write("short.bmp", bytes).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    expectRgb(image, 0, 0, 30, 20, 10);
    expectRgb(image, 1, 0, 60, 50, 40);
    expectRgb(image, 0, 1, 60, 50, 70);
    expectRgb(image, 1, 1, 60, 50, 70);

    // No pixel data at all: zeros.
    Image blank;
    blank.loadBmp(folder.write("blank.bmp", bmpHeader(fields)).c_str());
    ASSERT_EQ(blank.format, FORMAT_RGB);
    for (float value : floatsOf(blank)) {
        EXPECT_EQ(value, 0.0f);
    }
}

TEST(BmpReader, LargeRowsCrossReadBoundaries) {
    TempFolder folder;
    const int width = 1001;
    const int height = 400;
    const Bytes bytes = patternBmp(width, height, 0xAB);
    Image image;
    image.loadBmp(folder.write("large.bmp", bytes).c_str());
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    for (int y = 0; y < height; y += 3) {
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(at(image, x, y, 0), byteValue(patternByte(x, y, 2))) << x << ", " << y;
            ASSERT_EQ(at(image, x, y, 2), byteValue(patternByte(x, y, 0))) << x << ", " << y;
        }
    }
}

} // namespace
