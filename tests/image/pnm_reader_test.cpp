#include <gtest/gtest.h>

#include "image/formats/byte_reader.h"
#include "image/image.h"
#include "tests/image/image_test_files.h"

namespace {

const float WHITE = greyLuminance(1.0f);

Image loadText(const TempFolder& folder, const std::string& text, const char* name = "t.pnm") {
    Image image;
    image.loadPnm(folder.write(name, text).c_str());
    return image;
}

std::vector<float> greys(std::initializer_list<float> values) {
    std::vector<float> out;
    for (float value : values) {
        out.push_back(greyLuminance(value));
    }
    return out;
}

TEST(PnmReader, PlainGreyMapRowsEndBottomUp) {
    TempFolder folder;
    const Image image = loadText(folder, "P2\n2 2\n4\n0 4\n2 4\n");
    ASSERT_EQ(image.format, FORMAT_LUMINANCE);
    EXPECT_EQ(image.channels, 1);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(floatsOf(image), greys({0.5f, 1.0f, 0.0f, 1.0f}));
    EXPECT_NEAR(WHITE, 1.0333333f, 1e-6f);
    EXPECT_EQ(at(image, 0, 1), 0.0f);
}

TEST(PnmReader, EveryKindReadsTheSamePicture) {
    TempFolder folder;
    // 3 x 2, top row black white black, bottom row white black white.
    const std::vector<float> expectedGrey = greys({1, 0, 1, 0, 1, 0});
    const std::string kinds[] = {
        "P1\n3 2\n1 0 1\n0 1 0\n",
        "P1\n3 2\n101\n010\n", // runs of bits, as Netpbm writes them
        "P2\n3 2\n255\n0 255 0\n255 0 255\n",
        "P4\n3 2\n" + std::string(1, char(0xA0)) + std::string(1, char(0x40)),
        "P5\n3 2\n255\n" + std::string("\0\xFF\0\xFF\0\xFF", 6),
        "P5\n3 2\n65535\n" + std::string("\0\0\xFF\xFF\0\0\xFF\xFF\0\0\xFF\xFF", 12),
    };
    for (const std::string& text : kinds) {
        SCOPED_TRACE(text.substr(0, 2));
        const Image image = loadText(folder, text);
        ASSERT_EQ(image.format, FORMAT_LUMINANCE);
        EXPECT_EQ(floatsOf(image), expectedGrey);
    }
    const std::vector<float> expectedColour = {1, 1, 1, 0, 0, 0, 1, 1, 1,
                                               0, 0, 0, 1, 1, 1, 0, 0, 0};
    const std::string colourKinds[] = {
        "P3\n3 2\n255\n0 0 0 255 255 255 0 0 0\n255 255 255 0 0 0 255 255 255\n",
        "P6\n3 2\n255\n" +
            std::string("\0\0\0\xFF\xFF\xFF\0\0\0\xFF\xFF\xFF\0\0\0\xFF\xFF\xFF", 18),
    };
    for (const std::string& text : colourKinds) {
        SCOPED_TRACE(text.substr(0, 2));
        const Image image = loadText(folder, text);
        ASSERT_EQ(image.format, FORMAT_RGB);
        EXPECT_EQ(image.channels, 3);
        EXPECT_EQ(floatsOf(image), expectedColour);
    }
}

TEST(PnmReader, WorkedExamplesOfEachKind) {
    TempFolder folder;
    const Image colour = loadText(folder, "P6 2 1 255\n" + std::string("\xFF\0\0\0\0\xFF", 6));
    EXPECT_EQ(floatsOf(colour), (std::vector<float>{1, 0, 0, 0, 0, 1}));

    const Image bits = loadText(folder, "P1\n3 1\n1 0 1\n");
    EXPECT_EQ(floatsOf(bits), (std::vector<float>{0.0f, WHITE, 0.0f}));

    // 10 pixels: two bytes per row; the low six bits of the second are ignored.
    const Image wide = loadText(folder, "P4\n10 2\n" + std::string("\x81\x7F\x00\xBF", 4));
    EXPECT_EQ(floatsOf(wide), greys({1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0}));

    // Values above maxval are not clamped; above a maxval of 255 raw samples
    // take two bytes, most significant first.
    const Image fifteen = loadText(folder, "P5 2 1 15\n" + std::string("\x0F\x10", 2));
    EXPECT_EQ(floatsOf(fifteen), greys({1.0f, 16.0f / 15.0f}));
    const Image deep =
        loadText(folder, "P6 1 1 1000\n" + std::string("\x00\xFA\x00\x0A\x04\x00", 6));
    EXPECT_EQ(floatsOf(deep), (std::vector<float>{250.0f / 1000.0f, 10.0f / 1000.0f, 1.024f}));

    const Image plainColour = loadText(folder, "P3 1 1 7 7 0 3");
    EXPECT_EQ(floatsOf(plainColour), (std::vector<float>{1.0f, 0.0f, 3.0f / 7.0f}));
}

// Each '0' or '1' of a plain bitmap is a sample; any other character
// cannot be read, and the last bit read repeats.
TEST(PnmReader, PlainBitmapBitsNeedNoWhiteSpace) {
    TempFolder folder;
    const float b = 0.0f;
    const float w = WHITE;
    const std::pair<std::string, std::vector<float>> cases[] = {
        {"P1 3 2 0 1\t0\r\n1\v0\f1", {b, w, b, w, b, w}},
        {"P1 9 1 111111111", {b, b, b, b, b, b, b, b, b}},
        {"P1 4 1 10x1", {b, w, w, w}},
        {"P1 4 1 1 2 0", {b, b, b, b}},
        {"P1 3 1 0 +1", {w, w, w}},
        {"P1 3 1 1#\n0 0", {b, b, b}},
        {"P1 3 1 0\xB1", {w, w, w}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(floatsOf(loadText(folder, text)), expected) << text;
    }
}

TEST(PnmReader, EveryRawByteValueScalesByMaxval) {
    TempFolder folder;
    std::string grey = "P5 256 1 255\n";
    std::string colour = "P6 256 1 200\n";
    for (int i = 0; i < 256; ++i) {
        grey.push_back(char(i));
        colour.append(3, char(i));
    }
    const Image greyImage = loadText(folder, grey);
    const Image colourImage = loadText(folder, colour);
    ASSERT_EQ(greyImage.width, 256);
    ASSERT_EQ(colourImage.width, 256);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(at(greyImage, i, 0), greyLuminance(float(i) / 255.0f)) << i;
        EXPECT_EQ(at(colourImage, i, 0, 1), float(i) / 200.0f) << i;
    }
}

TEST(PnmReader, HeaderCommentsAndWhiteSpace) {
    TempFolder folder;
    Image image;
    image.comment = "start:";
    image.loadPnm(folder.write("c.pgm", "P2\n# made by hand\n2 2\n255\n0 0 0 0\n").c_str());
    EXPECT_EQ(image.comment, "start: made by hand");
    EXPECT_EQ(image.width, 2);

    // Comments between every number, tabs, several blank lines, lower-case p,
    // white space between the letter and the kind.
    Image spaced;
    spaced.loadPnm(folder
                       .write("s.pgm", "p \t2#one\n\n\t 3#two\n#three\n   1 \n#four\n\t10\n"
                                       "  1\r\n\v\f 2\t\t\n10")
                       .c_str());
    ASSERT_EQ(spaced.format, FORMAT_LUMINANCE);
    EXPECT_EQ(spaced.width, 3);
    EXPECT_EQ(spaced.height, 1);
    EXPECT_EQ(spaced.comment, "onetwothreefour");
    EXPECT_EQ(floatsOf(spaced), greys({0.1f, 0.2f, 1.0f}));

    // A comment line of 200 characters keeps 127 of them and reading goes on.
    const std::string longLine(127, 'a');
    Image longComment;
    longComment.loadPnm(
        folder.write("l.pgm", "P2\n#" + longLine + std::string(73, 'b') + "\n1 1 1 1\n").c_str());
    EXPECT_EQ(longComment.comment, longLine);
    EXPECT_EQ(floatsOf(longComment), greys({1.0f}));

    // Carriage returns are filler; a comment still runs to the line feed.
    Image crlf;
    crlf.loadPnm(folder.write("r.pgm", "P2\r\n#pc\r\n2 1\r\n\r#max\n9\r\n9 0\r\n").c_str());
    EXPECT_EQ(crlf.comment, "pc\rmax");
    EXPECT_EQ(floatsOf(crlf), greys({1, 0}));

    // A comment ending the file ends the header too.
    Image atEnd;
    fillMarker(atEnd);
    atEnd.loadPnm(folder.write("e.pgm", "P2 4 #tail").c_str());
    EXPECT_EQ(atEnd.comment, "markertail");
    atEnd.comment = "marker";
    expectMarker(atEnd);
}

// A two-byte sample cut short keeps the byte last read in its other position.
TEST(PnmReader, ShortFilesOfTwoByteSamples) {
    TempFolder folder;
    const Image grey = loadText(folder, "P5 3 1 65535\n" + std::string("\x80\x00\x00\xFF\x12", 5));
    EXPECT_EQ(floatsOf(grey), greys({0x8000 / 65535.0f, 0xFF / 65535.0f, 0x12FF / 65535.0f}));
    const Image colour =
        loadText(folder, "P6 2 1 1023\n" + std::string("\x03\xFF\x00\x00\x01\x00\x04\x00\x00", 9));
    EXPECT_EQ(floatsOf(colour),
              (std::vector<float>{1, 0, 256 / 1023.0f, 1024 / 1023.0f, 0, 256 / 1023.0f}));
}

TEST(PnmReader, SkipPnmFillerStopsAtTheFirstOtherCharacter) {
    TempFolder folder;
    const std::string name = folder.write("f.txt", " \t\n#a b\n# c\r\n\r# d\n\v7");
    ByteReader reader;
    ASSERT_TRUE(reader.open(name.c_str()));
    Image image;
    image.skipPnmFiller(reader);
    EXPECT_EQ(image.comment, "a b c\r d");
    EXPECT_EQ(reader.peek(), '\v');
    image.skipPnmFiller(reader);
    EXPECT_EQ(reader.peek(), '\v');
}

TEST(PnmReader, RejectedHeadersLeaveTheImageUntouched) {
    TempFolder folder;
    const std::string rejected[] = {
        "Q2 1 1 1 0",
        "P7 1 1 1 0",
        "P0 1 1 1 0",
        "P",
        "",
        "P2 x 1 1 0",
        "P2 1 1",
        "P2 -1 1 1 0",
        "P2 1 -1 1 0",
        "P2 1 1 0 0",
        "P2 1 1 -5 0",
        "P2 99999999999 1 1 0",
        "P5 1 1 2147483648 0",
        "P#c\n2 1 1 1 0",
        "P2 1 +",
    };
    for (const std::string& text : rejected) {
        SCOPED_TRACE(text);
        Image image;
        fillMarker(image);
        image.loadPnm(folder.write("r.pgm", text).c_str());
        expectMarker(image);
    }
}

TEST(PnmReader, EmptiedWhenMissingOrWithoutPixels) {
    TempFolder folder;
    Image image;
    fillMarker(image);
    image.loadPnm(folder.file("absent.pgm").c_str());
    expectEmpty(image);
    EXPECT_EQ(image.comment, "marker");

    const std::string sizes[] = {"P2 0 1 1 ", "P5 3 0 255 ", "P6 20000 20000 255 "};
    for (const std::string& text : sizes) {
        Image sized;
        fillMarker(sized);
        sized.loadPnm(folder.write("z.pgm", text).c_str());
        expectEmpty(sized);
    }
}

TEST(PnmReader, UnreadableSamplesRepeatTheLastOfTheirComponent) {
    TempFolder folder;
    // Once a sample fails, every later one fails too.
    const Image grey = loadText(folder, "P2 4 1 10\n5 7 x 3");
    EXPECT_EQ(floatsOf(grey), greys({0.5f, 0.7f, 0.7f, 0.7f}));

    const Image colour = loadText(folder, "P3 3 1 10\n1 2 3 4 5 - 7 8 9");
    EXPECT_EQ(floatsOf(colour),
              (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.3f, 0.4f, 0.5f, 0.3f}));

    // Too large for 32 bits: unreadable.
    const Image huge = loadText(folder, "P2 2 1 10\n4 99999999999");
    EXPECT_EQ(floatsOf(huge), greys({0.4f, 0.4f}));

    // The file ends early; nothing read yet gives 0. Negative samples stay negative.
    const Image shortPlain = loadText(folder, "P2 3 1 10\n-5");
    EXPECT_EQ(floatsOf(shortPlain), greys({-0.5f, -0.5f, -0.5f}));
    const Image noSamples = loadText(folder, "P1 2 1\n");
    EXPECT_EQ(floatsOf(noSamples), greys({1.0f, 1.0f}));

    const Image shortRaw = loadText(folder, "P6 2 2 255\n" + std::string("\x0A\x14\x1E\x28", 4));
    // Top row (stored last): (10, 20, 30), (40, 20, 30); bottom row repeats.
    const float a = byteValue(10), b = byteValue(20), c = byteValue(30), d = byteValue(40);
    EXPECT_EQ(floatsOf(shortRaw), (std::vector<float>{d, b, c, d, b, c, a, b, c, d, b, c}));

    const Image shortBits = loadText(folder, "P4 3 2\n" + std::string("\x40", 1));
    EXPECT_EQ(floatsOf(shortBits), greys({1, 0, 1, 1, 0, 1}));
}

TEST(PnmReader, PlainSamplesOfEveryLengthAndSign) {
    TempFolder folder;
    const std::vector<std::string> texts = {
        "0",        "7",        "+5",        "-12",        "0000123",     "1234567",
        "12345678", "-1234567", "123456789", "2147483647", "-2147483648", "00000000000042",
        "+0",       "99",       "-0",        "1000",       "65535",       "7654321"};
    std::string file = "P2 " + std::to_string(texts.size()) + " 2 1000\n";
    std::vector<float> bottom;
    std::vector<float> top;
    // The first row with single spaces, the second with runs of white space,
    // then a tail long enough that both rows sit well inside the buffer.
    for (const std::string& text : texts) {
        file += text + " ";
        top.push_back(greyLuminance(float(std::stoll(text)) / 1000.0f));
    }
    for (const std::string& text : texts) {
        file += "\t\r\n  " + text;
        bottom.push_back(greyLuminance(float(std::stoll(text)) / 1000.0f));
    }
    file += std::string(64, ' ') + "1";
    const Image image = loadText(folder, file);
    std::vector<float> expected = bottom;
    expected.insert(expected.end(), top.begin(), top.end());
    EXPECT_EQ(floatsOf(image), expected);

    // Past 32 bits a sample fails, inside the buffer as at its end.
    const Image tooLong = loadText(folder, "P2 3 1 10 1 2147483648 3" + std::string(64, ' '));
    EXPECT_EQ(floatsOf(tooLong), greys({0.1f, 0.1f, 0.1f}));
    const Image sign = loadText(folder, "P2 3 1 10 1 - 3" + std::string(64, ' '));
    EXPECT_EQ(floatsOf(sign), greys({0.1f, 0.1f, 0.1f}));
}

TEST(PnmReader, KindComesFromTheFileNotTheName) {
    TempFolder folder;
    Image image;
    image.loadFile(
        folder.write("colour.pgm", "P6 1 1 255 " + std::string("\x00\xFF\x00", 3)).c_str());
    ASSERT_EQ(image.format, FORMAT_RGB);
    EXPECT_EQ(floatsOf(image), (std::vector<float>{0, 1, 0}));
}

TEST(PnmReader, SameRowOrderAsBmp) {
    TempFolder folder;
    // Top row red, bottom row blue.
    Image fromPnm;
    fromPnm.loadPnm(
        folder.write("p.ppm", "P6 1 2 255\n" + std::string("\xFF\x00\x00\x00\x00\xFF", 6)).c_str());
    BmpFields fields;
    fields.width = 1;
    fields.height = 2;
    Bytes bytes = bmpHeader(fields);
    append(bytes, {255, 0, 0, 0, 0, 0, 255, 0});
    Image fromBmp;
    fromBmp.loadBmp(folder.write("b.bmp", bytes).c_str());
    EXPECT_EQ(floatsOf(fromPnm), floatsOf(fromBmp));
    EXPECT_EQ(at(fromPnm, 0, 0, 2), 1.0f);
}

TEST(PnmReader, LargeFilesMatchTheirSamples) {
    TempFolder folder;
    const int width = 640;
    const int height = 600;
    std::string raw = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    std::string plain = "P3\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    std::vector<int> samples;
    for (int i = 0; i < width * height * 3; ++i) {
        const int value = (i * 13 + i / 1000) % 256;
        samples.push_back(value);
        raw.push_back(char(value));
        plain += std::to_string(value) + (i % 17 == 0 ? "\n" : " ");
    }
    const Image fromRaw = loadText(folder, raw, "raw.ppm");
    const Image fromPlain = loadText(folder, plain, "plain.ppm");
    ASSERT_EQ(fromRaw.height, height);
    ASSERT_EQ(fromPlain.height, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int k = 0; k < 3; ++k) {
                const int sample = samples[size_t((y * width + x) * 3 + k)];
                ASSERT_EQ(at(fromRaw, x, height - 1 - y, k), float(sample) / 255.0f);
            }
        }
    }
    EXPECT_EQ(floatsOf(fromPlain), floatsOf(fromRaw));
}

} // namespace
