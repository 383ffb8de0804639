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
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

// The first character after white space, which is consumed; -1 at the end.
int peekPastSpace(ByteReader& reader) {
    int c = reader.peek();
    while (isStreamSpace(c)) {
        ++reader.next;
        c = reader.peek();
    }
    return c;
}

// Decimal integer extraction as a formatted stream read does it: leading
// white space, an optional sign, then digits. A read that finds no digits or
// a number outside 32 bits fails, and from then on every read fails, so
// `value` keeps what it held.
bool readInteger(ByteReader& reader, int32_t& value) {
    if (reader.failed) {
        return false;
    }
    int c = peekPastSpace(reader);
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

// Two-byte raw sample (maxval above 255), most significant byte first ->
// stored component.
class WideSampleScale {
  public:
    WideSampleScale(const Image& image, int32_t maxval, bool grey)
        : image(image), divisor(float(maxval)), grey(grey) {}
    float operator()(const uint8_t* bytes) const {
        const float sample = float((uint32_t(bytes[0]) << 8) | bytes[1]) / divisor;
        return grey ? luminanceOfGrey(image, sample) : sample;
    }

  private:
    const Image& image;
    float divisor;
    bool grey;
};

// Raw rows (P5, P6), top row first: CHANNELS samples per pixel of
// SAMPLE_BYTES bytes each, turned into components by `scale`. A pixel cut
// short by the end of the file keeps, byte position by byte position, the
// bytes last read there.
template <size_t CHANNELS, size_t SAMPLE_BYTES, class Scale>
void readRawSamples(ByteReader& reader, Image& image, const Scale& scale) {
    constexpr size_t UNIT = CHANNELS * SAMPLE_BYTES;
    uint8_t last[UNIT] = {};
    const size_t rowFloats = size_t(image.width) * CHANNELS;
    for (int32_t y = 0; y < image.height; ++y) {
        float* row = image.pixels + size_t(image.height - 1 - y) * rowFloats;
        readUnits<UNIT>(
            reader, last, size_t(image.width),
            [row, &scale](const uint8_t* source, size_t units, size_t first, auto stride) {
                decodeStreamed<CHANNELS, decltype(stride)::value>(
                    source, units, row + first * CHANNELS,
                    [&scale](const uint8_t* bytes, float* out) {
                        for (size_t k = 0; k < CHANNELS; ++k) {
                            out[k] = scale(bytes + k * SAMPLE_BYTES);
                        }
                    });
            });
    }
    finishStreamedFloats();
}

// Raw samples of one byte each (maxval up to 255), or two above that.
template <size_t CHANNELS> void readRawRaster(ByteReader& reader, Image& image, int32_t maxval) {
    const bool grey = CHANNELS == 1;
    if (maxval > 255) {
        readRawSamples<CHANNELS, 2>(reader, image, WideSampleScale(image, maxval, grey));
        return;
    }
    const SampleTable table = rawSampleTable(image, maxval, grey);
    readRawSamples<CHANNELS, 1>(reader, image,
                                [&table](const uint8_t* bytes) { return table.value[bytes[0]]; });
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

// Number of leading decimal digits in the eight bytes of `word` (first byte
// lowest), and their value when that number is 1 to 7.
inline uint32_t leadingDigits(uint64_t word, uint32_t& value) {
    constexpr uint64_t ONES = 0x0101010101010101ull;
    // A byte is a digit when its high nibble is 3 and adding 6 keeps it so.
    const uint64_t highNibbles = (word & (ONES * 0xF0)) ^ (ONES * 0x30);
    const uint64_t shifted = ((word + ONES * 0x06) & (ONES * 0xF0)) ^ (ONES * 0x30);
    const uint64_t other = highNibbles | shifted;
    // High bit set in every byte of `other` that is not zero.
    const uint64_t marks = (((other & (ONES * 0x7F)) + ONES * 0x7F) | other) & (ONES * 0x80);
    const uint32_t count = marks == 0 ? 8u : uint32_t(__builtin_ctzll(marks)) / 8u;
    if (count == 0 || count == 8) {
        return count;
    }
    // Digits moved to the top bytes, so the missing ones count as leading zeros.
    uint64_t digits = (word - ONES * 0x30) << (8 * (8 - count));
    digits = ((digits & (ONES * 0x0F)) * 2561) >> 8;
    digits = ((digits & 0x00FF00FF00FF00FFull) * 6553601) >> 16;
    digits = ((digits & 0x0000FFFF0000FFFFull) * 42949672960001ull) >> 32;
    value = uint32_t(digits);
    return count;
}

// readInteger for the raster: short numbers that lie wholly in the buffer
// are read here, everything else by readInteger.
inline bool readSample(ByteReader& reader, int32_t& value) {
    const uint8_t* p = reader.next;
    const uint8_t* const end = reader.end;
    if (reader.failed || end - p < 32) {
        return readInteger(reader, value);
    }
    while (isStreamSpace(*p)) {
        if (++p == end - 16) {
            reader.next = p;
            return readInteger(reader, value);
        }
    }
    bool negative = false;
    const uint8_t* const start = p;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    uint32_t magnitude = 0;
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t word = 0;
    std::memcpy(&word, p, sizeof(word));
    const uint32_t count = leadingDigits(word, magnitude);
    if (count == 0 || count == 8) {
        reader.next = start;
        return readInteger(reader, value);
    }
    p += count;
#else
    const uint8_t* const digits = p;
    while (p - digits < 8 && unsigned(*p - '0') < 10u) {
        magnitude = magnitude * 10u + unsigned(*p - '0');
        ++p;
    }
    if (p == digits || p - digits == 8) {
        reader.next = start;
        return readInteger(reader, value);
    }
#endif
    reader.next = p;
    value = negative ? -int32_t(magnitude) : int32_t(magnitude);
    return true;
}

// One sample of a plain bitmap (P1): a '0' or '1' after optional white
// space. Bits need no white space between them, so "010" is three samples.
// Any other character, or the end of the file, is a sample that cannot be
// read, with the same outcome as an unreadable integer.
inline bool readBit(ByteReader& reader, int32_t& value) {
    if (reader.failed) {
        return false;
    }
    int c = peekPastSpace(reader);
    if (c != '0' && c != '1') {
        reader.failed = true;
        return false;
    }
    ++reader.next;
    value = c - '0';
    return true;
}

// Sample value -> stored component for the plain kinds, with a table for
// the common sample values and the same arithmetic for the rest.
class PlainSampleScale {
  public:
    PlainSampleScale(const Image& image, int32_t kind, int32_t maxval)
        : image(image), kind(kind), divisor(float(maxval)) {
        for (int32_t i = 0; i < TABLE_SIZE; ++i) {
            table[i] = compute(i);
        }
    }
    float operator()(int32_t sample) const {
        return uint32_t(sample) < uint32_t(TABLE_SIZE) ? table[sample] : compute(sample);
    }

  private:
    static constexpr int32_t TABLE_SIZE = 256;

    float compute(int32_t sample) const {
        if (kind == 3) {
            return float(sample) / divisor;
        }
        const float grey =
            kind == 1 ? float(int64_t(1) - int64_t(sample)) : float(sample) / divisor;
        return luminanceOfGrey(image, grey);
    }

    const Image& image;
    int32_t kind;
    float divisor;
    float table[TABLE_SIZE];
};

// Plain rows: one decimal integer per sample (P2, P3) or one bit character
// per sample (P1). A sample that cannot be read repeats the last one read
// for the same component.
void readPlainSamples(ByteReader& reader, Image& image, int32_t kind, int32_t maxval) {
    const PlainSampleScale scale(image, kind, maxval);
    int32_t last[3] = {0, 0, 0};
    const size_t channels = size_t(image.channels);
    const size_t rowFloats = size_t(image.width) * channels;
    for (int32_t y = 0; y < image.height; ++y) {
        float* target = image.pixels + size_t(image.height - 1 - y) * rowFloats;
        float* const rowEnd = target + rowFloats;
        if (channels == 3) {
            for (; target != rowEnd; target += 3) {
                readSample(reader, last[0]);
                readSample(reader, last[1]);
                readSample(reader, last[2]);
                target[0] = scale(last[0]);
                target[1] = scale(last[1]);
                target[2] = scale(last[2]);
            }
        } else if (kind == 1) {
            for (; target != rowEnd; ++target) {
                readBit(reader, last[0]);
                *target = scale(last[0]);
            }
        } else {
            for (; target != rowEnd; ++target) {
                readSample(reader, last[0]);
                *target = scale(last[0]);
            }
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
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
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
        readRawRaster<1>(reader, *this, maxval);
        break;
    case 6:
        readRawRaster<3>(reader, *this, maxval);
        break;
    default:
        readPlainSamples(reader, *this, kind, maxval);
        break;
    }
}
