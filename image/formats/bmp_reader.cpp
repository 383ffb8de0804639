// Windows bitmaps of one layout only: 14-byte file header, 40-byte
// information header, 24 bits per pixel, uncompressed, pixels at byte 54.
#include "image/formats/byte_reader.h"
#include "image/image.h"

#include <climits>

namespace {

constexpr size_t BMP_HEADERS_SIZE = 54;
constexpr uint32_t BMP_SIGNATURE = 0x4D42; // "BM"
constexpr uint32_t BMP_INFO_HEADER_SIZE = 40;
constexpr uint32_t BMP_BITS_PER_PIXEL = 24;

struct BmpHeader {
    uint32_t fileType = 0;
    uint32_t pixelOffset = 0;
    uint32_t infoSize = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t bitsPerPixel = 0;
    uint32_t compression = 0;
};

uint32_t unsigned16(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8;
}

uint32_t unsigned32(const uint8_t* bytes) {
    return unsigned16(bytes) | unsigned16(bytes + 2) << 16;
}

// Header bytes that the file no longer holds read as 0.
BmpHeader readHeader(ByteReader& reader) {
    uint8_t bytes[BMP_HEADERS_SIZE] = {};
    for (size_t i = 0; i < BMP_HEADERS_SIZE && reader.get(bytes[i]); ++i) {
    }
    BmpHeader header;
    header.fileType = unsigned16(bytes + 0);
    header.pixelOffset = unsigned32(bytes + 10);
    header.infoSize = unsigned32(bytes + 14);
    header.width = int32_t(unsigned32(bytes + 18));
    header.height = int32_t(unsigned32(bytes + 22));
    header.bitsPerPixel = unsigned16(bytes + 28);
    header.compression = unsigned32(bytes + 30);
    return header;
}

bool accepted(const BmpHeader& header) {
    return header.fileType == BMP_SIGNATURE && header.pixelOffset == BMP_HEADERS_SIZE &&
           header.infoSize == BMP_INFO_HEADER_SIZE && header.compression == 0 &&
           header.bitsPerPixel == BMP_BITS_PER_PIXEL && header.width >= 0;
}

// One row of blue, green, red pixels into red, green, blue floats.
void readRow(ByteReader& reader, uint8_t (&last)[3], size_t width, float* row) {
    readUnits<3>(reader, last, width,
                 [row](const uint8_t* source, size_t units, size_t first, auto stride) {
                     const float* scale = BYTE_SCALE.value;
                     decodeStreamed<3, decltype(stride)::value>(
                         source, units, row + first * 3, [scale](const uint8_t* bytes, float* out) {
                             out[0] = scale[bytes[2]];
                             out[1] = scale[bytes[1]];
                             out[2] = scale[bytes[0]];
                         });
                 });
}

} // namespace

void Image::loadBmp(const char* fileName) {
    ByteReader reader;
    if (!reader.open(fileName)) {
        clear();
        return;
    }
    const BmpHeader header = readHeader(reader);
    if (!accepted(header)) {
        return;
    }
    // A negative height marks rows stored top-down; they are put bottom-up.
    const bool topDown = header.height < 0;
    if (header.height == INT_MIN) {
        clear(); // more rows than any Image can hold
        return;
    }
    const int32_t rows = topDown ? -header.height : header.height;
    if (!create(header.width, rows, FORMAT_RGB)) {
        return;
    }
    const size_t rowFloats = size_t(width) * 3;
    const size_t padding = (4 - (size_t(width) % 4) * 3 % 4) % 4;
    uint8_t last[3] = {0, 0, 0};
    for (int32_t y = 0; y < rows; ++y) {
        const int32_t imageRow = topDown ? rows - 1 - y : y;
        readRow(reader, last, size_t(width), pixels + size_t(imageRow) * rowFloats);
        reader.skip(padding);
    }
    finishStreamedFloats();
}
