// Netpbm pictures, plain and raw: P1/P4 bitmaps, P2/P5 grey maps and P3/P6
// colour maps. The kind comes from the magic number, never from the name.
// The file stores rows top-down; each is written to its bottom-up position
// directly, which is the same as reading in file order and flipping after.
#include "image/formats/byte_reader.h"
#include "image/image.h"

#include <climits>

namespace {

constexpr size_t COMMENT_LIMIT = 127;

inline bool isStreamSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// Decimal integer extraction as a formatted stream read does it: leading
// white space, an optional sign, then digits. A read that finds no digits or
// a number outside 32 bits fails, and from then on every read fails, so
// `value` keeps what it held.
bool readInteger(ByteReader& reader, int32_t& value) {
    if (reader.failed) {
        return false;
    }
    int c = reader.peek();
    while (isStreamSpace(c)) {
        ++reader.next;
        c = reader.peek();
    }
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++reader.next;
        c = reader.peek();
    }
    if (!isDigit(c)) {
        reader.failed = true;
        return false;
    }
    constexpr uint64_t OVERFLOWED = uint64_t(1) << 32;
    uint64_t magnitude = 0;
    for (;;) {
        // Fast run over the digits already in the buffer.
        const uint8_t* p = reader.next;
        const uint8_t* const end = reader.end;
        while (p != end && isDigit(*p)) {
            magnitude = std::min(magnitude * 10 + uint64_t(*p - '0'), OVERFLOWED);
            ++p;
        }
        reader.next = p;
        if (p != end || !isDigit(reader.peek())) {
            break;
        }
    }
    const uint64_t limit = negative ? uint64_t(INT32_MAX) + 1 : uint64_t(INT32_MAX);
    if (magnitude > limit) {
        reader.failed = true;
        return false;
    }
    value = negative ? int32_t(-int64_t(magnitude)) : int32_t(magnitude);
    return true;
}

float luminanceOfGrey(const Image& image, float grey) {
    float colour[4] = {grey, grey, grey, 1.0f};
    image.convertPixel(colour, FORMAT_LUMINANCE);
    return colour[0];
}

// Byte value -> stored component for the raw kinds.
struct SampleTable {
    float value[256];
};

SampleTable rawSampleTable(const Image& image, int32_t maxval, bool grey) {
    SampleTable table;
    const float divisor = float(maxval);
    for (int32_t i = 0; i < 256; ++i) {
        const float sample = float(i) / divisor;
        table.value[i] = grey ? luminanceOfGrey(image, sample) : sample;
    }
    return table;
}

// Raw rows of one byte per sample (P5) or three (P6), top row first.
template <size_t UNIT>
void readRawSamples(ByteReader& reader, Image& image, const SampleTable& table) {
    uint8_t last[UNIT] = {};
    const size_t rowFloats = size_t(image.width) * UNIT;
    for (int32_t y = 0; y < image.height; ++y) {
        float* row = image.pixels + size_t(image.height - 1 - y) * rowFloats;
        readUnits<UNIT>(
            reader, last, size_t(image.width),
            [row, &table](const uint8_t* source, size_t units, size_t first, auto stride) {
                constexpr size_t STEP = decltype(stride)::value;
                float* target = row + first * UNIT;
                for (size_t i = 0; i < units; ++i, source += STEP, target += UNIT) {
                    for (size_t k = 0; k < UNIT; ++k) {
                        target[k] = table.value[source[k]];
                    }
                }
            });
    }
}

// Raw bitmap rows (P4): eight pixels per byte, most significant bit first,
// each row starting on a new byte; a set bit is black.
void readRawBits(ByteReader& reader, Image& image, float white) {
    uint8_t last[1] = {0};
    const size_t width = size_t(image.width);
    const size_t rowBytes = (width + 7) / 8;
    for (int32_t y = 0; y < image.height; ++y) {
        float* row = image.pixels + size_t(image.height - 1 - y) * width;
        readUnits<1>(
            reader, last, rowBytes,
            [row, width, white](const uint8_t* source, size_t units, size_t first, auto stride) {
                constexpr size_t STEP = decltype(stride)::value;
                for (size_t i = 0; i < units; ++i, source += STEP) {
                    const size_t x0 = (first + i) * 8;
                    const size_t bits = std::min<size_t>(8, width - x0);
                    for (size_t bit = 0; bit < bits; ++bit) {
                        const bool black = (source[0] & (0x80u >> bit)) != 0;
                        row[x0 + bit] = black ? 0.0f : white;
                    }
                }
            });
    }
}

// Plain rows (P1, P2, P3): one decimal integer per sample. A sample that
// cannot be read repeats the last one read for the same component.
void readPlainSamples(ByteReader& reader, Image& image, int32_t kind, int32_t maxval) {
    int32_t last[3] = {0, 0, 0};
    const float divisor = float(maxval);
    const size_t width = size_t(image.width);
    const size_t channels = size_t(image.channels);
    for (int32_t y = 0; y < image.height; ++y) {
        float* target = image.pixels + size_t(image.height - 1 - y) * width * channels;
        for (size_t x = 0; x < width; ++x, target += channels) {
            if (kind == 3) {
                for (size_t k = 0; k < 3; ++k) {
                    readInteger(reader, last[k]);
                    target[k] = float(last[k]) / divisor;
                }
                continue;
            }
            readInteger(reader, last[0]);
            const float grey =
                kind == 1 ? float(int64_t(1) - int64_t(last[0])) : float(last[0]) / divisor;
            target[0] = luminanceOfGrey(image, grey);
        }
    }
}

} // namespace

void Image::skipPnmFiller(ByteReader& stream) {
    if (stream.failed) {
        return;
    }
    for (;;) {
        const int c = stream.peek();
        if (c == ' ' || c == '\t' || c == '\n') {
            ++stream.next;
            continue;
        }
        if (c != '#') {
            return;
        }
        ++stream.next;
        // The rest of the line; text past the limit is skipped unkept.
        size_t kept = 0;
        uint8_t byte = 0;
        while (stream.get(byte) && byte != '\n') {
            if (kept < COMMENT_LIMIT) {
                comment.push_back(char(byte));
                ++kept;
            }
        }
    }
}

void Image::loadPnm(const char* fileName) {
    ByteReader reader;
    if (!reader.open(fileName)) {
        clear();
        return;
    }
    uint8_t letter = 0;
    if (!reader.get(letter) || (letter != 'P' && letter != 'p')) {
        return;
    }
    int32_t kind = 0;
    if (!readInteger(reader, kind) || kind < 1 || kind > 6) {
        return;
    }
    int32_t newWidth = 0;
    int32_t newHeight = 0;
    int32_t maxval = 1;
    skipPnmFiller(reader);
    if (!readInteger(reader, newWidth)) {
        return;
    }
    skipPnmFiller(reader);
    if (!readInteger(reader, newHeight)) {
        return;
    }
    const bool bitmap = kind == 1 || kind == 4;
    if (!bitmap) {
        skipPnmFiller(reader);
        if (!readInteger(reader, maxval)) {
            return;
        }
    }
    if (newWidth < 0 || newHeight < 0 || maxval <= 0) {
        return;
    }
    uint8_t headerEnd = 0;
    reader.get(headerEnd);

    const bool colour = kind == 3 || kind == 6;
    if (!create(newWidth, newHeight, colour ? FORMAT_RGB : FORMAT_LUMINANCE)) {
        return;
    }
    switch (kind) {
    case 4:
        readRawBits(reader, *this, luminanceOfGrey(*this, 1.0f));
        break;
    case 5:
        readRawSamples<1>(reader, *this, rawSampleTable(*this, maxval, true));
        break;
    case 6:
        readRawSamples<3>(reader, *this, rawSampleTable(*this, maxval, false));
        break;
    default:
        readPlainSamples(reader, *this, kind, maxval);
        break;
    }
}
