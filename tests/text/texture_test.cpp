#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/gl_recorder.h"
#include "tests/text/tga_file.h"
#include "text/texture.h"

namespace {

// An Image of the given size whose component k of pixel (x, y) is
// (x + 1000 y) + k / 10, so that every value tells where it came from.
void fillNumbered(Image& image, int32_t width, int32_t height, int32_t format) {
    ASSERT_TRUE(image.create(width, height, format));
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            float values[4];
            for (int k = 0; k < 4; ++k) {
                values[k] = float(x + 1000 * y) + float(k) / 10.0f;
            }
            image.setPixel(values, x, y);
        }
    }
}

std::vector<float> checkerboard() {
    std::vector<float> pixels;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            if ((x + y) % 2 == 0) {
                pixels.insert(pixels.end(), {1.0f, 1.0f, 1.0f});
            } else {
                pixels.insert(pixels.end(), {0.8f, 0.0f, 0.5f});
            }
        }
    }
    return pixels;
}

// (target, components, width, height, format, type) of the one upload.
std::vector<double> uploadArgs() {
    EXPECT_EQ(countGlCalls("gluBuild2DMipmaps"), 1u);
    const GlCall* upload = firstGlCall("gluBuild2DMipmaps");
    return upload ? upload->args : std::vector<double>{};
}

class TextureTest : public ::testing::Test {
  protected:
    void SetUp() override { resetGlRecorder(); }
};

TEST_F(TextureTest, ParametersAreSetInTheirFixedOrder) {
    setTextureParameters();
    ASSERT_EQ(glCallLog.size(), 5u);
    const std::vector<std::pair<std::string, std::vector<double>>> expected = {
        {"glTexEnvi", {GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE}},
        {"glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, 9729.0}},
        {"glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 9985.0}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT}},
        {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT}},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(glCallLog[i].name, expected[i].first) << "call " << i;
        EXPECT_EQ(glCallLog[i].args, expected[i].second) << "call " << i;
    }
}

TEST_F(TextureTest, NewTextureIsNamedBoundAndUploadedInThatOrder) {
    Image image;
    fillNumbered(image, 2, 2, FORMAT_RGBA);
    GLuint name = 0;
    createTexture(image, &name, true);
    EXPECT_EQ(name, 1u);
    EXPECT_EQ(glCallNames(),
              (std::vector<std::string>{"glGenTextures", "glBindTexture", "gluBuild2DMipmaps"}));
    EXPECT_EQ(glCallLog[0].arg(0), 1.0);
    EXPECT_EQ(glCallLog[1].args, (std::vector<double>{GL_TEXTURE_2D, 1}));

    // every call makes a new name and deletes none
    createTexture(image, &name, true);
    EXPECT_EQ(name, 2u);
    EXPECT_EQ(countGlCalls("glDeleteTextures"), 0u);
}

TEST_F(TextureTest, ChannelCountChoosesTheUploadFormat) {
    struct Case {
        int32_t format;
        double components;
        double glFormat;
    };
    // Blue-first formats go up as stored: only the channel count counts.
    for (const Case& c : {Case{FORMAT_RGB, 3, GL_RGB}, Case{FORMAT_RGBA, 4, GL_RGBA},
                          Case{FORMAT_BGR, 3, GL_RGB}, Case{FORMAT_BGRA, 4, GL_RGBA}}) {
        resetGlRecorder();
        Image image;
        fillNumbered(image, 2, 4, c.format);
        const std::vector<float> original(image.pixels, image.pixels + 2 * 4 * int(c.components));
        GLuint name = 0;
        createTexture(image, &name, true);
        EXPECT_EQ(uploadArgs(),
                  (std::vector<double>{GL_TEXTURE_2D, c.components, 2, 4, c.glFormat, GL_FLOAT}))
            << "format " << c.format;
        EXPECT_EQ(firstGlCall("gluBuild2DMipmaps")->floatPixels, original);
    }
}

TEST_F(TextureTest, PicturesOpenGlCannotTakeBecomeTheCheckerboard) {
    Image luminance;
    fillNumbered(luminance, 8, 8, FORMAT_LUMINANCE);
    Image empty;
    for (Image* image : {&luminance, &empty}) {
        resetGlRecorder();
        GLuint name = 0;
        createTexture(*image, &name, true);
        EXPECT_EQ(name, 1u);
        EXPECT_EQ(uploadArgs(), (std::vector<double>{GL_TEXTURE_2D, 3, 4, 4, GL_RGB, GL_FLOAT}));
        EXPECT_EQ(firstGlCall("gluBuild2DMipmaps")->floatPixels, checkerboard());
        EXPECT_EQ(image->format, FORMAT_RGB);
    }
}

TEST_F(TextureTest, SidesAreFittedDownToPowersOfTwoBeforeUpload) {
    struct Case {
        int32_t width, height;
        double uploadWidth, uploadHeight;
    };
    for (const Case& c : {Case{300, 200, 256, 128}, Case{256, 200, 256, 200},
                          Case{3000, 40, 2048, 32}, Case{64, 64, 64, 64}}) {
        resetGlRecorder();
        Image image;
        fillNumbered(image, c.width, c.height, FORMAT_RGB);
        GLuint name = 0;
        createTexture(image, &name, true);
        EXPECT_EQ(uploadArgs(), (std::vector<double>{GL_TEXTURE_2D, 3, c.uploadWidth,
                                                     c.uploadHeight, GL_RGB, GL_FLOAT}))
            << c.width << " x " << c.height;
        EXPECT_EQ(firstGlCall("gluBuild2DMipmaps")->floatPixels.size(),
                  size_t(c.uploadWidth * c.uploadHeight * 3));
    }
}

TEST_F(TextureTest, SideThatIsAlreadyAPowerOfTwoKeepsThePictureAsItIs) {
    Image image;
    fillNumbered(image, 256, 200, FORMAT_RGBA);
    const std::vector<float> original(image.pixels, image.pixels + 256 * 200 * 4);
    GLuint name = 0;
    createTexture(image, &name, true);
    EXPECT_EQ(firstGlCall("gluBuild2DMipmaps")->floatPixels, original);
}

TEST_F(TextureTest, SinglePixelIsUploadedUnchanged) {
    Image image;
    ASSERT_TRUE(image.create(1, 1, FORMAT_RGBA));
    const float pixel[4] = {0.25f, 0.5f, 0.75f, 0.125f};
    image.setPixel(pixel, 0, 0);
    GLuint name = 0;
    createTexture(image, &name, true);
    EXPECT_EQ(uploadArgs(), (std::vector<double>{GL_TEXTURE_2D, 4, 1, 1, GL_RGBA, GL_FLOAT}));
    EXPECT_EQ(firstGlCall("gluBuild2DMipmaps")->floatPixels,
              (std::vector<float>{0.25f, 0.5f, 0.75f, 0.125f}));
}

class TextureFileTest : public TextureTest {
  protected:
    ScratchFolder folder{"texture-file"};
};

TEST_F(TextureFileTest, FileThatYieldsNoPictureMakesNoTexture) {
    const std::string rle = folder.file("packed.tga");
    writeTga(rle, 10, 2, 2, 24, std::vector<uint8_t>(12, 0));
    const std::string unknown = folder.file("font.Tga");
    writeTga(unknown, 2, 2, 2, 24, std::vector<uint8_t>(12, 0));

    for (const std::string& fileName : {folder.file("missing.tga"), rle, unknown}) {
        resetGlRecorder();
        GLuint name = 0;
        createTextureFromFile(fileName.c_str(), &name);
        EXPECT_EQ(name, 0u) << fileName;
        EXPECT_TRUE(glCallLog.empty()) << fileName;
    }
    GLuint kept = 5;
    createTextureFromFile(folder.file("missing.tga").c_str(), &kept);
    EXPECT_EQ(kept, 5u);
}

TEST_F(TextureFileTest, TrueColourFilesAreUploadedWithTheirChannels) {
    // 256 x 256, every pixel stored as B = 0, G = 128, R = 255 (A = 64)
    std::vector<uint8_t> rgb, rgba;
    for (int i = 0; i < 256 * 256; ++i) {
        rgb.insert(rgb.end(), {0, 128, 255});
        rgba.insert(rgba.end(), {0, 128, 255, 64});
    }
    writeTga(folder.file("rgb.tga"), 2, 256, 256, 24, rgb);
    writeTga(folder.file("rgba.tga"), 2, 256, 256, 32, rgba);

    GLuint name = 0;
    createTextureFromFile(folder.file("rgb.tga").c_str(), &name);
    EXPECT_EQ(name, 1u);
    EXPECT_EQ(uploadArgs(), (std::vector<double>{GL_TEXTURE_2D, 3, 256, 256, GL_RGB, GL_FLOAT}));
    const std::vector<float> rgbPixels = firstGlCall("gluBuild2DMipmaps")->floatPixels;
    ASSERT_EQ(rgbPixels.size(), 256u * 256 * 3);
    EXPECT_EQ(rgbPixels[0], 1.0f);
    EXPECT_EQ(rgbPixels[1], 128.0f / 255.0f);
    EXPECT_EQ(rgbPixels[2], 0.0f);

    resetGlRecorder();
    createTextureFromFile(folder.file("rgba.tga").c_str(), &name);
    EXPECT_EQ(uploadArgs(), (std::vector<double>{GL_TEXTURE_2D, 4, 256, 256, GL_RGBA, GL_FLOAT}));
    const std::vector<float> rgbaPixels = firstGlCall("gluBuild2DMipmaps")->floatPixels;
    ASSERT_EQ(rgbaPixels.size(), 256u * 256 * 4);
    EXPECT_EQ(rgbaPixels[3], 64.0f / 255.0f);
    EXPECT_EQ(rgbaPixels.back(), 64.0f / 255.0f);
}

TEST_F(TextureFileTest, GreyFileBecomesTheCheckerboard) {
    writeTga(folder.file("grey.tga"), 3, 8, 8, 8, std::vector<uint8_t>(64, 200));
    GLuint name = 0;
    createTextureFromFile(folder.file("grey.tga").c_str(), &name);
    EXPECT_EQ(name, 1u);
    EXPECT_EQ(uploadArgs(), (std::vector<double>{GL_TEXTURE_2D, 3, 4, 4, GL_RGB, GL_FLOAT}));
    EXPECT_EQ(firstGlCall("gluBuild2DMipmaps")->floatPixels, checkerboard());
}

} // namespace
