#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "image/image.h"
#include "tests/image/image_test_files.h"

namespace {

// A width x height Image whose every float is its own index.
void fillCounting(Image& image, int32_t width, int32_t height, int32_t format) {
    ASSERT_TRUE(image.create(width, height, format));
    for (size_t i = 0; i < image.floatCount(); ++i) {
        image.pixels[i] = float(i);
    }
}

TEST(ImageBuffer, CreateSetsChannelsAndSize) {
    const int32_t expectedChannels[] = {0, 3, 4, 3, 4, 1};
    for (int32_t format = FORMAT_RGB; format <= FORMAT_LUMINANCE; ++format) {
        Image image;
        ASSERT_TRUE(image.create(2, 3, format)) << format;
        EXPECT_NE(image.pixels, nullptr);
        EXPECT_EQ(image.format, format);
        EXPECT_EQ(image.width, 2);
        EXPECT_EQ(image.height, 3);
        EXPECT_EQ(image.channels, expectedChannels[format]);
        EXPECT_EQ(channelsOf(format), expectedChannels[format]);
        EXPECT_EQ(image.floatCount(), size_t(6 * expectedChannels[format]));
        EXPECT_TRUE(image.holdsPicture());
    }
}

TEST(ImageBuffer, RefusedCreateLeavesTheImageEmpty) {
    struct Request {
        int32_t width, height, format;
    };
    const Request refused[] = {
        {8, 8, FORMAT_HSV},
        {8, 8, FORMAT_NONE},
        {8, 8, 7},
        {8, 8, -1},
        {0, 5, FORMAT_RGB},
        {5, 0, FORMAT_RGB},
        {-1, 5, FORMAT_RGB},
        {5, -3, FORMAT_RGB},
        {INT_MAX, INT_MAX, FORMAT_RGBA},
        {INT_MIN, -1, FORMAT_RGB},
        {16385, 16384, FORMAT_LUMINANCE},
        {8192, 8193, FORMAT_RGBA},
        {65536, 65536, FORMAT_LUMINANCE},
    };
    for (const Request& request : refused) {
        Image image;
        ASSERT_TRUE(image.create(4, 4, FORMAT_RGB));
        image.comment = "kept";
        EXPECT_FALSE(image.create(request.width, request.height, request.format))
            << request.width << " x " << request.height << " format " << request.format;
        expectEmpty(image);
        EXPECT_FALSE(image.holdsPicture());
        EXPECT_EQ(image.comment, "kept");
    }
}

TEST(ImageBuffer, ClearEmptiesButKeepsTheComment) {
    Image image;
    fillCounting(image, 3, 2, FORMAT_RGB);
    image.comment = "note";
    image.clear();
    expectEmpty(image);
    EXPECT_EQ(image.comment, "note");
    image.clear();
    expectEmpty(image);
}

TEST(ImageBuffer, GetPixelClampsToTheNearestEdge) {
    Image image;
    fillCounting(image, 4, 4, FORMAT_LUMINANCE);
    float out[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    image.getPixel(out, -5, 3);
    EXPECT_EQ(out[0], at(image, 0, 3));
    image.getPixel(out, 10, 10);
    EXPECT_EQ(out[0], at(image, 3, 3));
    image.getPixel(out, 2, -1);
    EXPECT_EQ(out[0], at(image, 2, 0));
    image.getPixel(out, 1, 2);
    EXPECT_EQ(out[0], 9.0f);
    // Only `channels` entries are written.
    EXPECT_EQ(out[1], -1.0f);

    Image colour;
    fillCounting(colour, 2, 2, FORMAT_RGB);
    colour.getPixel(out, 1, 1);
    EXPECT_EQ(out[0], 9.0f);
    EXPECT_EQ(out[1], 10.0f);
    EXPECT_EQ(out[2], 11.0f);
    EXPECT_EQ(out[3], -1.0f);
}

TEST(ImageBuffer, GetPixelOnAnEmptyImageLeavesItsOutputAlone) {
    const Image image;
    float out[4] = {7.0f, 7.0f, 7.0f, 7.0f};
    image.getPixel(out, 0, 0);
    for (float value : out) {
        EXPECT_EQ(value, 7.0f);
    }
}

TEST(ImageBuffer, SetPixelWritesInsideAndIgnoresOutside) {
    Image image;
    fillCounting(image, 4, 4, FORMAT_RGBA);
    const std::vector<float> before = floatsOf(image);
    const float values[4] = {0.5f, 0.25f, 0.125f, 1.0f};
    const int32_t outside[][2] = {{4, 0}, {0, -1}, {-1, 0}, {0, 4}, {INT_MAX, INT_MIN}};
    for (const auto& position : outside) {
        image.setPixel(values, position[0], position[1]);
    }
    EXPECT_EQ(floatsOf(image), before);

    image.setPixel(values, 3, 2);
    for (int32_t k = 0; k < 4; ++k) {
        EXPECT_EQ(at(image, 3, 2, k), values[k]);
    }
    EXPECT_EQ(at(image, 2, 2, 3), before[(2 * 4 + 2) * 4 + 3]);
    EXPECT_EQ(at(image, 0, 3, 0), before[(3 * 4 + 0) * 4]);

    Image empty;
    empty.setPixel(values, 0, 0);
    expectEmpty(empty);
}

TEST(ImageBuffer, FlipRowsReversesTheRowOrder) {
    Image image;
    fillCounting(image, 2, 3, FORMAT_RGB);
    const std::vector<float> before = floatsOf(image);
    image.flipRows();
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.format, FORMAT_RGB);
    const size_t row = 6;
    const std::vector<float> after = floatsOf(image);
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + row, before.begin() + 2 * row));
    EXPECT_TRUE(std::equal(after.begin() + row, after.begin() + 2 * row, before.begin() + row));
    EXPECT_TRUE(std::equal(after.begin() + 2 * row, after.end(), before.begin()));

    Image four;
    fillCounting(four, 3, 4, FORMAT_LUMINANCE);
    four.flipRows();
    EXPECT_EQ(at(four, 1, 0), 10.0f);
    EXPECT_EQ(at(four, 1, 1), 7.0f);
    EXPECT_EQ(at(four, 1, 2), 4.0f);
    EXPECT_EQ(at(four, 1, 3), 1.0f);

    Image single;
    fillCounting(single, 5, 1, FORMAT_RGBA);
    const std::vector<float> singleBefore = floatsOf(single);
    single.flipRows();
    EXPECT_EQ(floatsOf(single), singleBefore);

    Image empty;
    empty.flipRows();
    expectEmpty(empty);
}

TEST(ImageBuffer, CopyTakesPixelsButNotTheComment) {
    Image source;
    fillCounting(source, 3, 2, FORMAT_BGRA);
    source.comment = "from the file";
    const Image copy(source);
    EXPECT_NE(copy.pixels, source.pixels);
    EXPECT_EQ(copy.format, FORMAT_BGRA);
    EXPECT_EQ(copy.width, 3);
    EXPECT_EQ(copy.height, 2);
    EXPECT_EQ(copy.channels, 4);
    EXPECT_EQ(floatsOf(copy), floatsOf(source));
    EXPECT_TRUE(copy.comment.empty());

    Image emptySource;
    emptySource.comment = "nothing else";
    const Image emptyCopy(emptySource);
    expectEmpty(emptyCopy);
    EXPECT_TRUE(emptyCopy.comment.empty());
}

TEST(ImageBuffer, LargeArraysStayApartAcrossReleaseAndReuse) {
    // 4 MiB and more: the sizes held back for reuse after release.
    Image first;
    fillCounting(first, 1024, 1024, FORMAT_LUMINANCE);
    Image copy(first);
    first.clear();
    Image second;
    ASSERT_TRUE(second.create(1024, 1024, FORMAT_LUMINANCE));
    Image third;
    ASSERT_TRUE(third.create(1024, 1025, FORMAT_LUMINANCE));
    EXPECT_NE(second.pixels, copy.pixels);
    EXPECT_NE(third.pixels, second.pixels);
    std::fill(second.pixels, second.pixels + second.floatCount(), -1.0f);
    std::fill(third.pixels, third.pixels + third.floatCount(), -2.0f);
    for (size_t i = 0; i < copy.floatCount(); i += 4099) {
        ASSERT_EQ(copy.pixels[i], float(i));
    }
    EXPECT_EQ(second.pixels[second.floatCount() - 1], -1.0f);
    // Arrays start on 16-byte boundaries at least, whatever their size.
    for (const Image* image : {&copy, &second, &third}) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(image->pixels) % 16, 0u);
    }
    Image small;
    ASSERT_TRUE(small.create(3, 1, FORMAT_RGB));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(small.pixels) % 16, 0u);
}

TEST(ImageBuffer, HoldsPictureNeedsPixelsSizeAndFormat) {
    Image image;
    EXPECT_FALSE(image.holdsPicture());
    fillCounting(image, 1, 1, FORMAT_LUMINANCE);
    EXPECT_TRUE(image.holdsPicture());
    image.format = FORMAT_HSV;
    EXPECT_TRUE(image.holdsPicture());
    image.format = 7;
    EXPECT_FALSE(image.holdsPicture());
    image.format = FORMAT_LUMINANCE;
    image.width = 0;
    EXPECT_FALSE(image.holdsPicture());
    image.width = 1;
    image.height = 0;
    EXPECT_FALSE(image.holdsPicture());
    image.height = 1;
    EXPECT_TRUE(image.holdsPicture());
}

} // namespace
