#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

#include "image/image.h"
#include "tests/image/image_test_files.h"

namespace {

Bytes tinyTga() {
    TgaFields fields;
    fields.imageType = 3;
    fields.id = "tga";
    Bytes bytes = tgaHeader(fields);
    bytes.push_back(255);
    return bytes;
}

Bytes tinyBmp() {
    Bytes bytes = bmpHeader(BmpFields{});
    append(bytes, {0, 0, 255, 0});
    return bytes;
}

const std::string TINY_PNM = "P2\n#c\n1 1 1\n1\n";

TEST(LoadFile, EveryFormReachesItsReader) {
    TempFolder folder;
    struct Row {
        const char* extension;
        int32_t format;
    };
    const Row rows[] = {
        {"tga", FORMAT_LUMINANCE}, {"TGA", FORMAT_LUMINANCE}, {"bmp", FORMAT_RGB},
        {"BMP", FORMAT_RGB},       {"pbm", FORMAT_LUMINANCE}, {"PBM", FORMAT_LUMINANCE},
        {"pgm", FORMAT_LUMINANCE}, {"PGM", FORMAT_LUMINANCE}, {"ppm", FORMAT_LUMINANCE},
        {"PPM", FORMAT_LUMINANCE}, {"pnm", FORMAT_LUMINANCE}, {"PNM", FORMAT_LUMINANCE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.extension);
        const std::string extension = row.extension;
        const std::string name = "picture." + extension;
        const char kind = char(std::tolower(extension[0]));
        std::string path;
        if (kind == 't') {
            path = folder.write(name, tinyTga());
        } else if (kind == 'b') {
            path = folder.write(name, tinyBmp());
        } else {
            path = folder.write(name, TINY_PNM);
        }
        Image image;
        image.comment = "before";
        image.loadFile(path.c_str());
        ASSERT_TRUE(image.holdsPicture());
        EXPECT_EQ(image.format, row.format);
        EXPECT_EQ(image.comment, kind == 't' ? "tga" : kind == 'p' ? "beforec" : "before");
        if (kind == 'p') {
            EXPECT_EQ(at(image, 0, 0), greyLuminance(1.0f));
        } else {
            EXPECT_EQ(at(image, 0, 0), 1.0f);
        }
    }
}

TEST(LoadFile, ExtensionPicksTheReaderNotTheContent) {
    TempFolder folder;
    // A bitmap named as a grey map goes to the PNM reader, which rejects it.
    Image image;
    fillMarker(image);
    image.loadFile(folder.write("bitmap.pgm", tinyBmp()).c_str());
    expectMarker(image);
    // A grey map named as a TGA file goes to the TGA reader, which empties.
    image.loadFile(folder.write("grey.tga", TINY_PNM).c_str());
    expectEmpty(image);
}

TEST(LoadFile, UnknownExtensionsLoadNothing) {
    TempFolder folder;
    const std::string names[] = {"font.Tga",  "font.tGA", "photo.jpeg",  "font.",
                                 "font.tgax", "font.tg",  "maps.d/font", "font.tga.txt"};
    std::filesystem::create_directories(folder.path / "maps.d");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = folder.write(name, tinyTga());
        Image image;
        fillMarker(image);
        image.loadFile(path.c_str());
        expectMarker(image);
    }
}

TEST(LoadFile, SeparatorsEndTheExtension) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path / "images");
#if defined(_WIN32)
    // Here the backslash separates folders as well.
    std::filesystem::create_directories(folder.path / "data");
    const std::string backslashName = "data\\tga";
#else
    const std::string backslashName = "c:\\data\\tga";
#endif
    const std::string names[] = {"font.tga", "FONT.TGA", "archive.tar.tga", "images/tga",
                                 backslashName};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        Image image;
        image.loadFile(folder.write(name, tinyTga()).c_str());
        EXPECT_TRUE(image.holdsPicture());
        EXPECT_EQ(image.comment, "tga");
    }
    Image bitmap;
    bitmap.loadFile(folder.write("archive.tar.bmp", tinyBmp()).c_str());
    EXPECT_EQ(bitmap.format, FORMAT_RGB);
}

TEST(LoadFile, MissingFilesAndWholeNameExtensions) {
    TempFolder folder;
    Image image;
    fillMarker(image);
    image.loadFile(folder.file("absent.bmp").c_str());
    expectEmpty(image);

    fillMarker(image);
    image.loadFile(folder.write("notabitmap.bmp", std::string("PK\3\4 zip")).c_str());
    expectMarker(image);

    // A folder by a picture's name is a file that cannot be opened, for every
    // reader: the Image is emptied and keeps its comment.
    for (const char* name : {"folder.tga", "folder.bmp", "folder.pnm"}) {
        SCOPED_TRACE(name);
        std::filesystem::create_directories(folder.path / name);
        fillMarker(image);
        image.loadFile(folder.file(name).c_str());
        expectEmpty(image);
        EXPECT_EQ(image.comment, "marker");
    }

    // A short name without any separator is its own extension: these reach
    // the readers, which find no such file in the working folder.
    const char* bareNames[] = {"tga", "BMP", "pnm"};
    for (const char* name : bareNames) {
        if (std::filesystem::exists(name)) {
            continue;
        }
        fillMarker(image);
        image.loadFile(name);
        expectEmpty(image);
    }
    fillMarker(image);
    image.loadFile("picture");
    expectMarker(image);

    // 33 characters or more without a separator: no extension is found.
    const std::string longName(40, 't');
    fillMarker(image);
    image.loadFile((folder.file(longName) + "tga").c_str());
    expectMarker(image);
    fillMarker(image);
    image.loadFile(longName.c_str());
    expectMarker(image);

    fillMarker(image);
    image.loadFile(nullptr);
    expectMarker(image);
}

} // namespace
