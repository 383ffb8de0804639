#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "image/image.h"
#include "tests/image/image_test_files.h"

namespace {

void fillRow(Image& image, std::initializer_list<float> bottom, std::initializer_list<float> top) {
    const int32_t rows = top.size() == 0 ? 1 : 2;
    ASSERT_TRUE(image.create(int32_t(bottom.size()), rows, FORMAT_LUMINANCE));
    size_t i = 0;
    for (float value : bottom) {
        image.pixels[i++] = value;
    }
    for (float value : top) {
        image.pixels[i++] = value;
    }
}

// A picture whose values differ from pixel to pixel and channel to channel.
void fillPattern(Image& image, int32_t width, int32_t height, int32_t format) {
    ASSERT_TRUE(image.create(width, height, format));
    for (size_t i = 0; i < image.floatCount(); ++i) {
        image.pixels[i] = float((i * 37) % 101) / 100.0f;
    }
}

TEST(ImageSample, HitsPixelCentresAndInterpolatesBetween) {
    Image image;
    fillRow(image, {0.0f, 1.0f}, {});
    float out = -1.0f;
    image.sample(&out, 0.0f, 0.0f);
    EXPECT_EQ(out, 0.0f);
    image.sample(&out, 1.0f, 0.0f);
    EXPECT_EQ(out, 1.0f);
    image.sample(&out, 0.5f, 0.0f);
    EXPECT_EQ(out, 0.5f);
    image.sample(&out, 1.5f, 0.0f); // right neighbour clamped
    EXPECT_EQ(out, 1.0f);
    image.sample(&out, -0.25f, 0.0f); // extrapolated from pixels 0 and 1
    EXPECT_EQ(out, -0.25f);
}

// Far and infinite coordinates take the edge pixel: no fraction is left
// over to blend the neighbours with huge weights. Not a number stays so.
TEST(ImageSample, FarAndNonFiniteCoordinates) {
    const float inf = std::numeric_limits<float>::infinity();
    Image single;
    fillRow(single, {0.3f}, {});
    float out = 0.0f;
    single.sample(&out, 1.5e9f, 0.0f);
    EXPECT_EQ(out, 0.3f);
    Image square;
    fillRow(square, {0.25f, 0.75f}, {8.0f, 16.0f});
    const float cases[][3] = {{1.2e9f, 0, 0.75f},
                              {-inf, 0, 0.25f},
                              {0.5f, 2.5e9f, 12},
                              {inf, inf, 16},
                              {-5e9f, 3e38f, 8}};
    for (const auto& c : cases) {
        square.sample(&out, c[0], c[1]);
        EXPECT_EQ(out, c[2]) << "at (" << c[0] << ", " << c[1] << ")";
    }
    square.sample(&out, std::numeric_limits<float>::quiet_NaN(), 0.0f);
    EXPECT_TRUE(std::isnan(out));
}

TEST(ImageSample, WeighsFourNeighboursInBothDirections) {
    Image image;
    fillRow(image, {0.0f, 4.0f}, {8.0f, 16.0f});
    float out = 0.0f;
    image.sample(&out, 0.25f, 0.5f);
    // bottom 0 + 0.25 * 4 = 1, top 8 + 0.25 * 8 = 10, halfway 5.5
    EXPECT_FLOAT_EQ(out, 5.5f);
    image.sample(&out, 1.0f, 1.0f);
    EXPECT_EQ(out, 16.0f);

    Image colour;
    ASSERT_TRUE(colour.create(2, 1, FORMAT_RGB));
    const float left[3] = {0.0f, 1.0f, 0.5f};
    const float right[3] = {1.0f, 0.0f, 0.5f};
    colour.setPixel(left, 0, 0);
    colour.setPixel(right, 1, 0);
    float rgb[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
    colour.sample(rgb, 0.75f, 0.0f);
    EXPECT_FLOAT_EQ(rgb[0], 0.75f);
    EXPECT_FLOAT_EQ(rgb[1], 0.25f);
    EXPECT_FLOAT_EQ(rgb[2], 0.5f);
    EXPECT_EQ(rgb[3], -1.0f);
}

TEST(ImageScale, AveragedTakesOldPixelZeroAtTheFirstColumnAndRow) {
    Image oneRow;
    fillRow(oneRow, {10.0f, 20.0f, 30.0f, 40.0f}, {});
    oneRow.comment = "kept";
    oneRow.scaleAveraged(2, 1);
    ASSERT_EQ(oneRow.width, 2);
    ASSERT_EQ(oneRow.height, 1);
    EXPECT_EQ(oneRow.format, FORMAT_LUMINANCE);
    EXPECT_FLOAT_EQ(at(oneRow, 0, 0), 10.0f);
    EXPECT_FLOAT_EQ(at(oneRow, 1, 0), 30.0f);
    EXPECT_EQ(oneRow.comment, "kept");

    Image twoRows;
    fillRow(twoRows, {10.0f, 20.0f, 30.0f, 40.0f}, {50.0f, 60.0f, 70.0f, 80.0f});
    twoRows.scaleAveraged(2, 1);
    ASSERT_EQ(twoRows.height, 1);
    EXPECT_FLOAT_EQ(at(twoRows, 0, 0), 10.0f);
    EXPECT_FLOAT_EQ(at(twoRows, 1, 0), 30.0f);
}

TEST(ImageScale, AveragedHalvingWeighsQuarterHalfQuarter) {
    Image image;
    fillRow(image, {0.0f, 4.0f, 8.0f, 100.0f, 12.0f, 0.0f}, {});
    image.scaleAveraged(3, 1);
    EXPECT_FLOAT_EQ(at(image, 1, 0), 0.25f * 4.0f + 0.5f * 8.0f + 0.25f * 100.0f);
    EXPECT_FLOAT_EQ(at(image, 2, 0), 0.25f * 100.0f + 0.5f * 12.0f + 0.25f * 0.0f);
}

TEST(ImageScale, BilinearKeepsTheOriginAndInterpolates) {
    Image image;
    fillRow(image, {0.0f, 1.0f}, {2.0f, 3.0f});
    image.comment = "kept";
    image.scaleBilinear(4, 4);
    ASSERT_EQ(image.width, 4);
    ASSERT_EQ(image.height, 4);
    EXPECT_EQ(image.comment, "kept");
    EXPECT_EQ(at(image, 0, 0), 0.0f);
    EXPECT_FLOAT_EQ(at(image, 1, 0), 0.5f);
    EXPECT_FLOAT_EQ(at(image, 2, 0), 1.0f);
    EXPECT_FLOAT_EQ(at(image, 3, 0), 1.0f); // towards the clamped edge
    EXPECT_FLOAT_EQ(at(image, 0, 1), 1.0f);
    EXPECT_FLOAT_EQ(at(image, 1, 1), 1.5f);
    EXPECT_FLOAT_EQ(at(image, 3, 3), 3.0f);
}

// Each new pixel is what `sample` gives at its position in the old picture.
TEST(ImageScale, ScalersAgreeWithSampleAtTheirPositions) {
    const int32_t formats[] = {FORMAT_LUMINANCE, FORMAT_RGB, FORMAT_RGBA, FORMAT_BGR};
    const int32_t sizes[][4] = {{7, 5, 16, 8}, {7, 5, 4, 2}, {9, 3, 4, 8}, {1, 6, 2, 1}};
    for (int32_t format : formats) {
        for (const auto& size : sizes) {
            SCOPED_TRACE(::testing::Message() << "format " << format << ", " << size[0] << " x "
                                              << size[1] << " to " << size[2] << " x " << size[3]);
            Image source;
            fillPattern(source, size[0], size[1], format);
            const int32_t newWidth = size[2];
            const int32_t newHeight = size[3];
            const int32_t channels = source.channels;

            Image bilinear(source);
            bilinear.scaleBilinear(newWidth, newHeight);
            Image averaged(source);
            averaged.scaleAveraged(newWidth, newHeight);
            ASSERT_EQ(bilinear.width, newWidth);
            ASSERT_EQ(averaged.height, newHeight);

            const float fx = float(newWidth) / float(size[0]);
            const float fy = float(newHeight) / float(size[1]);
            const float sx = float(size[0]) / float(newWidth);
            const float sy = float(size[1]) / float(newHeight);
            for (int32_t i = 0; i < newHeight; ++i) {
                for (int32_t j = 0; j < newWidth; ++j) {
                    float expected[4] = {};
                    source.sample(expected, float(j) * (1.0f / fx), float(i) / fy);
                    for (int32_t k = 0; k < channels; ++k) {
                        ASSERT_EQ(at(bilinear, j, i, k), expected[k]) << j << ", " << i;
                    }
                    float corners[4][4] = {};
                    source.sample(corners[0], (float(j) - 0.25f) * sx, (float(i) - 0.25f) * sy);
                    source.sample(corners[1], (float(j) - 0.25f) * sx, (float(i) + 0.25f) * sy);
                    source.sample(corners[2], (float(j) + 0.25f) * sx, (float(i) - 0.25f) * sy);
                    source.sample(corners[3], (float(j) + 0.25f) * sx, (float(i) + 0.25f) * sy);
                    for (int32_t k = 0; k < channels; ++k) {
                        float sum = corners[0][k];
                        sum += corners[1][k];
                        sum += corners[2][k];
                        sum += corners[3][k];
                        ASSERT_EQ(at(averaged, j, i, k), sum * 0.25f) << j << ", " << i;
                    }
                }
            }
        }
    }
}

TEST(ImageScale, ScalersLeaveAnEmptyImageEmpty) {
    Image image;
    image.scaleBilinear(4, 4);
    expectEmpty(image);
    image.scaleAveraged(4, 4);
    expectEmpty(image);
    image.fitPowerOfTwo(true, false);
    expectEmpty(image);
}

struct FitCase {
    int32_t width, height;
    bool downward, square;
    int32_t newWidth, newHeight;
    enum { UNTOUCHED, AVERAGED, BILINEAR } how;
};

TEST(ImageScale, FitPowerOfTwoPicksSizeAndScaler) {
    const FitCase cases[] = {
        {300, 200, true, false, 256, 128, FitCase::AVERAGED},
        {256, 200, true, false, 256, 200, FitCase::UNTOUCHED},
        {1, 3, true, false, 1, 2, FitCase::AVERAGED},
        {3000, 40, true, false, 2048, 32, FitCase::AVERAGED},
        {1, 1, true, false, 1, 1, FitCase::BILINEAR},
        {64, 64, true, false, 64, 64, FitCase::UNTOUCHED},
        {300, 200, false, false, 512, 256, FitCase::BILINEAR},
        {3000, 40, false, false, 2048, 64, FitCase::AVERAGED},
        {300, 200, false, true, 512, 512, FitCase::BILINEAR},
        {256, 300, false, true, 512, 512, FitCase::BILINEAR},
        {300, 200, true, true, 128, 128, FitCase::AVERAGED},
        {256, 300, true, true, 256, 300, FitCase::UNTOUCHED},
        {5, 2048, true, false, 5, 2048, FitCase::UNTOUCHED},
        {3, 1, false, false, 4, 1, FitCase::BILINEAR},
        {1500, 1, true, false, 1024, 1, FitCase::AVERAGED},
        {1500, 3, false, false, 2048, 4, FitCase::BILINEAR},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " downward "
                                          << c.downward << " square " << c.square);
        Image image;
        fillPattern(image, c.width, c.height, FORMAT_LUMINANCE);
        const float* before = image.pixels;
        Image expected(image);
        image.fitPowerOfTwo(c.downward, c.square);
        EXPECT_EQ(image.width, c.newWidth);
        EXPECT_EQ(image.height, c.newHeight);
        if (c.how == FitCase::UNTOUCHED) {
            EXPECT_EQ(image.pixels, before);
            EXPECT_EQ(floatsOf(image), floatsOf(expected));
            continue;
        }
        if (c.how == FitCase::AVERAGED) {
            expected.scaleAveraged(c.newWidth, c.newHeight);
        } else {
            expected.scaleBilinear(c.newWidth, c.newHeight);
        }
        EXPECT_EQ(floatsOf(image), floatsOf(expected));
    }
}

TEST(ImageScale, FitPowerOfTwoScalesEveryChannel) {
    Image image;
    fillPattern(image, 3, 3, FORMAT_RGBA);
    Image expected(image);
    image.fitPowerOfTwo(true, false);
    expected.scaleAveraged(2, 2);
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(floatsOf(image), floatsOf(expected));
    // A 1 x 1 picture resamples onto itself unchanged.
    Image single;
    fillPattern(single, 1, 1, FORMAT_RGB);
    const std::vector<float> before = floatsOf(single);
    single.fitPowerOfTwo(true, false);
    EXPECT_EQ(floatsOf(single), before);
}

TEST(ImageConvert, ReordersComponentsPerFormat) {
    const Image image;
    const float source[4] = {0.2f, 0.4f, 0.6f, 0.5f};
    const float expected[][4] = {
        {0.2f, 0.4f, 0.6f, 0.5f}, // 0: unchanged
        {0.2f, 0.4f, 0.6f, 1.0f}, {0.2f, 0.4f, 0.6f, 0.5f},
        {0.6f, 0.4f, 0.2f, 1.0f}, {0.6f, 0.4f, 0.2f, 0.5f},
    };
    for (int32_t format = 0; format <= FORMAT_BGRA; ++format) {
        float pixel[4] = {source[0], source[1], source[2], source[3]};
        image.convertPixel(pixel, format);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(pixel[k], expected[format][k]) << "format " << format << " k " << k;
        }
    }
    float unknown[4] = {source[0], source[1], source[2], source[3]};
    image.convertPixel(unknown, 9);
    EXPECT_EQ(unknown[3], 0.5f);
    EXPECT_EQ(unknown[0], 0.2f);
}

TEST(ImageConvert, LuminanceWeighsGreenMostAndBlueLeast) {
    const Image image;
    auto luminance = [&](float r, float g, float b) {
        float pixel[4] = {r, g, b, 0.25f};
        image.convertPixel(pixel, FORMAT_LUMINANCE);
        EXPECT_EQ(pixel[0], pixel[1]);
        EXPECT_EQ(pixel[0], pixel[2]);
        EXPECT_EQ(pixel[3], 1.0f);
        return pixel[0];
    };
    EXPECT_NEAR(luminance(0.2f, 0.4f, 0.6f), 0.4f, 1e-6f);
    EXPECT_EQ(luminance(1.0f, 1.0f, 1.0f), float(3.1 / 3.0));
    EXPECT_NEAR(luminance(1.0f, 1.0f, 1.0f), 1.0333333f, 1e-6f);
    EXPECT_NEAR(luminance(0.0f, 1.0f, 0.0f), 0.4333333f, 1e-6f);
    EXPECT_NEAR(luminance(1.0f, 0.0f, 0.0f), 0.3333333f, 1e-6f);
    EXPECT_NEAR(luminance(0.0f, 0.0f, 1.0f), 0.2666667f, 1e-6f);
    EXPECT_EQ(luminance(0.0f, 0.0f, 0.0f), 0.0f);
}

TEST(ImageConvert, LuminanceSumsBlueAndGreenBeforeRedInDoublePrecision) {
    // Colours whose float luminance changes with the order of the sum (the
    // first two) or with dividing by 3 instead of multiplying by the third.
    const float colours[][3] = {{0.369273931f, 0.718643606f, 0.0234797262f},
                                {0.856726766f, 0.929918468f, 0.849152923f},
                                {0.091758877f, 0.887155414f, 0.771566749f}};
    const Image image;
    for (const auto& c : colours) {
        double sum = 0.8 * double(c[2]) + 1.3 * double(c[1]);
        sum += double(c[0]);
        const float expected = float(sum * 0.3333333333333333);
        const double redFirst = double(c[0]) + 1.3 * double(c[1]) + 0.8 * double(c[2]);
        EXPECT_TRUE(float(redFirst * 0.3333333333333333) != expected ||
                    float(sum / 3.0) != expected);

        float pixel[4] = {c[0], c[1], c[2], 0.0f};
        image.convertPixel(pixel, FORMAT_LUMINANCE);
        EXPECT_EQ(pixel[0], expected);
    }
}

TEST(ImageConvert, HsvFromRedGreenBlue) {
    const Image image;
    auto hsv = [&](float r, float g, float b) {
        std::vector<float> pixel = {r, g, b, 0.75f};
        image.convertPixel(pixel.data(), FORMAT_HSV);
        return pixel;
    };
    EXPECT_EQ(hsv(1, 0, 0), (std::vector<float>{0, 1, 1, 0.75f}));
    EXPECT_EQ(hsv(0, 1, 0), (std::vector<float>{120, 1, 1, 0.75f}));
    EXPECT_EQ(hsv(0, 0, 1), (std::vector<float>{240, 1, 1, 0.75f}));
    EXPECT_EQ(hsv(1, 0, 1), (std::vector<float>{300, 1, 1, 0.75f}));
    EXPECT_EQ(hsv(0, 0, 0), (std::vector<float>{0, 0, 0, 0.75f}));
    EXPECT_EQ(hsv(0.5f, 0.5f, 0.5f), (std::vector<float>{0, 0, 0.5f, 0.75f}));
    EXPECT_EQ(hsv(0.5f, 1.0f, 0.0f), (std::vector<float>{90, 1, 1, 0.75f}));
    const std::vector<float> half = hsv(1.0f, 0.5f, 0.5f);
    EXPECT_EQ(half[0], 0.0f);
    EXPECT_FLOAT_EQ(half[1], 0.5f);
}

TEST(ImageConvert, MaxAndMinOfThree) {
    const float ordered[][3] = {{1, 2, 3}, {3, 1, 2}, {2, 3, 1}, {2, 2, 1}, {-1, -5, -3}};
    const float maxima[] = {3, 3, 3, 2, -1};
    const float minima[] = {1, 1, 1, 1, -5};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(maxOf3(ordered[i]), maxima[i]) << i;
        EXPECT_EQ(minOf3(ordered[i]), minima[i]) << i;
    }
}

} // namespace
