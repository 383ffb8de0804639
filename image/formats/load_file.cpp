// Picks the reader by the file name's extension: the text after the last
// '.', '/' or backslash, compared case-sensitively with the forms below.
#include "image/image.h"

#include <cstring>

namespace {

// An extension longer than this is never found.
constexpr size_t EXTENSION_SCAN_LIMIT = 33;

using Reader = void (Image::*)(const char*);

struct ExtensionRow {
    const char* extension;
    Reader reader;
};

const ExtensionRow EXTENSION_TABLE[] = {
    {"tga", &Image::loadTga}, {"TGA", &Image::loadTga}, {"bmp", &Image::loadBmp},
    {"BMP", &Image::loadBmp}, {"pbm", &Image::loadPnm}, {"PBM", &Image::loadPnm},
    {"pgm", &Image::loadPnm}, {"PGM", &Image::loadPnm}, {"ppm", &Image::loadPnm},
    {"PPM", &Image::loadPnm}, {"pnm", &Image::loadPnm}, {"PNM", &Image::loadPnm},
};

bool isSeparator(char c) {
    return c == '.' || c == '/' || c == '\\';
}

// The extension within `name`, or nullptr when none is found among the last
// EXTENSION_SCAN_LIMIT characters. A short name without any separator is
// its own extension.
const char* findExtension(const char* name) {
    const size_t length = std::strlen(name);
    const size_t scanned = length < EXTENSION_SCAN_LIMIT ? length : EXTENSION_SCAN_LIMIT;
    for (size_t i = 1; i <= scanned; ++i) {
        if (isSeparator(name[length - i])) {
            return name + length - i + 1;
        }
    }
    return length < EXTENSION_SCAN_LIMIT ? name : nullptr;
}

} // namespace

void Image::loadFile(const char* fileName) {
    if (fileName == nullptr) {
        return;
    }
    const char* extension = findExtension(fileName);
    if (extension == nullptr) {
        return;
    }
    for (const ExtensionRow& row : EXTENSION_TABLE) {
        if (std::strcmp(extension, row.extension) == 0) {
            (this->*row.reader)(fileName);
            return;
        }
    }
}
