// Uncompressed TGA: colour-mapped (type 1), true-colour (type 2) and grey
// (type 3). Pixels are stored in file order, so the first row of the file is
// row 0 of the Image whatever the origin bits say.
#include "image/formats/byte_reader.h"
#include "image/image.h"

#include <vector>

namespace {

constexpr size_t TGA_HEADER_SIZE = 18;
constexpr float FIVE_BIT_SCALE = 1.0f / 32.0f;

enum TgaType : int32_t {
    TGA_COLOUR_MAPPED = 1,
    TGA_TRUE_COLOUR = 2,
    TGA_GREY = 3,
};

struct TgaHeader {
    int32_t idLength = 0;
    int32_t mapType = 0;
    int32_t imageType = 0;
    int32_t mapFirst = 0;
    int32_t mapLength = 0;
    int32_t entryBits = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pixelBits = 0;
};

int32_t unsigned16(const uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8);
}

// Header bytes that the file no longer holds read as 0.
TgaHeader readHeader(ByteReader& reader) {
    uint8_t bytes[TGA_HEADER_SIZE] = {};
    for (size_t i = 0; i < TGA_HEADER_SIZE && reader.get(bytes[i]); ++i) {
    }
    TgaHeader header;
    header.idLength = bytes[0];
    header.mapType = bytes[1];
    header.imageType = bytes[2];
    header.mapFirst = unsigned16(bytes + 3);
    header.mapLength = unsigned16(bytes + 5);
    header.entryBits = bytes[7];
    header.width = unsigned16(bytes + 12);
    header.height = unsigned16(bytes + 14);
    header.pixelBits = bytes[16];
    return header;
}

// The ID field up to its first zero byte.
std::string readIdField(ByteReader& reader, int32_t length) {
    std::string text;
    bool ended = false;
    uint8_t byte = 0;
    for (int32_t i = 0; i < length && reader.get(byte); ++i) {
        ended = ended || byte == 0;
        if (!ended) {
            text.push_back(char(byte));
        }
    }
    return text;
}

// How one colour map entry or pixel is stored.
enum class TgaUnit {
    NONE,
    GREY,       // one byte
    GREY_ALPHA, // a grey byte, then an alpha byte that is not kept
    RGB15,      // 5 bits each of red, green and blue in a 16-bit value
    RGB16,      // the same with an alpha bit
    BGR,        // blue, green, red bytes
    BGRA,       // blue, green, red, alpha bytes
};

// Bytes in the file, and the Image format and channels they become.
struct UnitShape {
    size_t bytes;
    int32_t format;
    size_t channels;
};

// Indexed by TgaUnit.
constexpr UnitShape UNIT_SHAPES[] = {
    {0, FORMAT_NONE, 0},      // NONE
    {1, FORMAT_LUMINANCE, 1}, // GREY
    {2, FORMAT_LUMINANCE, 1}, // GREY_ALPHA
    {2, FORMAT_RGBA, 4},      // RGB15
    {2, FORMAT_RGBA, 4},      // RGB16
    {3, FORMAT_RGB, 3},       // BGR
    {4, FORMAT_RGBA, 4},      // BGRA
};
static_assert(sizeof(UNIT_SHAPES) / sizeof(UNIT_SHAPES[0]) == size_t(TgaUnit::BGRA) + 1,
              "one shape for each unit");

constexpr const UnitShape& shapeOf(TgaUnit unit) {
    return UNIT_SHAPES[size_t(unit)];
}

// A colour map entry, or a true-colour pixel, of `bits` bits: 15 bits are
// two bytes without an alpha bit; otherwise whole bytes, 1 to 4 of them.
TgaUnit colourUnit(int32_t bits) {
    if (bits == 15) {
        return TgaUnit::RGB15;
    }
    switch (bits / 8) {
    case 1:
        return TgaUnit::GREY;
    case 2:
        return TgaUnit::RGB16;
    case 3:
        return TgaUnit::BGR;
    case 4:
        return TgaUnit::BGRA;
    default:
        return TgaUnit::NONE;
    }
}

// Bytes of one colour map entry of `bits` bits (15 bits take two).
size_t entryByteCount(int32_t bits) {
    return bits == 15 ? 2 : size_t(bits / 8);
}

// 16-bit value: 5 bits each of red, green and blue, and one alpha bit.
inline void decode16(const uint8_t* bytes, float* out) {
    const uint32_t value = uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8);
    out[0] = float((value >> 10) & 31u) * FIVE_BIT_SCALE;
    out[1] = float((value >> 5) & 31u) * FIVE_BIT_SCALE;
    out[2] = float(value & 31u) * FIVE_BIT_SCALE;
    out[3] = (value & 0x8000u) != 0 ? 1.0f : 0.0f;
}

// Decodes `count` entries or pixels stored as UNIT into `out`, channels
// after channels, blue-first colours turned into red-first.
template <TgaUnit UNIT> void decodeUnits(ByteReader& reader, size_t count, float* out) {
    constexpr size_t BYTES = shapeOf(UNIT).bytes;
    constexpr size_t CHANNELS = shapeOf(UNIT).channels;
    uint8_t last[BYTES] = {};
    readUnits<BYTES>(
        reader, last, count, [out](const uint8_t* source, size_t units, size_t first, auto stride) {
            const float* scale = BYTE_SCALE.value;
            decodeStreamed<CHANNELS, decltype(stride)::value>(
                source, units, out + first * CHANNELS, [=](const uint8_t* bytes, float* target) {
                    if constexpr (CHANNELS == 1) {
                        target[0] = scale[bytes[0]];
                    } else if constexpr (BYTES == 2) {
                        decode16(bytes, target);
                        if constexpr (UNIT == TgaUnit::RGB15) {
                            target[3] = 1.0f;
                        }
                    } else {
                        target[0] = scale[bytes[2]];
                        target[1] = scale[bytes[1]];
                        target[2] = scale[bytes[0]];
                        if constexpr (BYTES == 4) {
                            target[3] = scale[bytes[3]];
                        }
                    }
                });
        });
    finishStreamedFloats();
}

void decodeByUnit(ByteReader& reader, TgaUnit unit, size_t count, float* out) {
    switch (unit) {
    case TgaUnit::GREY:
        decodeUnits<TgaUnit::GREY>(reader, count, out);
        break;
    case TgaUnit::GREY_ALPHA:
        decodeUnits<TgaUnit::GREY_ALPHA>(reader, count, out);
        break;
    case TgaUnit::RGB15:
        decodeUnits<TgaUnit::RGB15>(reader, count, out);
        break;
    case TgaUnit::RGB16:
        decodeUnits<TgaUnit::RGB16>(reader, count, out);
        break;
    case TgaUnit::BGR:
        decodeUnits<TgaUnit::BGR>(reader, count, out);
        break;
    case TgaUnit::BGRA:
        decodeUnits<TgaUnit::BGRA>(reader, count, out);
        break;
    default:
        break;
    }
}

// Index bytes into palette entries. The palette's first entry stands for
// index `firstIndex`; an index with no stored entry gives zeros.
void readIndexedPixels(ByteReader& reader, const std::vector<float>& palette, size_t firstIndex,
                       size_t entryCount, size_t channels, size_t pixelCount, float* out) {
    uint8_t last[1] = {0};
    readUnits<1>(reader, last, pixelCount,
                 [&](const uint8_t* source, size_t units, size_t first, auto stride) {
                     constexpr size_t STEP = decltype(stride)::value;
                     float* target = out + first * channels;
                     for (size_t i = 0; i < units; ++i, source += STEP, target += channels) {
                         const size_t index = source[0];
                         if (index >= firstIndex && index - firstIndex < entryCount) {
                             const float* entry = palette.data() + (index - firstIndex) * channels;
                             for (size_t k = 0; k < channels; ++k) {
                                 target[k] = entry[k];
                             }
                         } else {
                             for (size_t k = 0; k < channels; ++k) {
                                 target[k] = 0.0f;
                             }
                         }
                     }
                 });
}

} // namespace

void Image::loadTga(const char* fileName) {
    clear();
    ByteReader reader;
    if (!reader.open(fileName)) {
        return;
    }
    const TgaHeader header = readHeader(reader);
    comment = readIdField(reader, header.idLength);
    const size_t pixelCount = size_t(header.width) * size_t(header.height);

    switch (header.imageType) {
    case TGA_COLOUR_MAPPED: {
        const TgaUnit entryUnit = colourUnit(header.entryBits);
        const int32_t entryFormat = shapeOf(entryUnit).format;
        if (entryFormat == FORMAT_NONE) {
            return;
        }
        // Grey palettes are read before the picture is made; colour ones after.
        if (entryFormat != FORMAT_LUMINANCE && !create(header.width, header.height, entryFormat)) {
            return;
        }
        const size_t entryChannels = shapeOf(entryUnit).channels;
        const size_t entryCount = size_t(header.mapLength);
        std::vector<float> palette(entryCount * entryChannels);
        decodeByUnit(reader, entryUnit, entryCount, palette.data());
        if (entryFormat == FORMAT_LUMINANCE && !create(header.width, header.height, entryFormat)) {
            return;
        }
        readIndexedPixels(reader, palette, size_t(header.mapFirst), entryCount, entryChannels,
                          pixelCount, pixels);
        return;
    }
    case TGA_TRUE_COLOUR:
    case TGA_GREY: {
        TgaUnit pixelUnit = colourUnit(header.pixelBits);
        if (header.imageType == TGA_GREY) {
            pixelUnit = header.pixelBits == 16 ? TgaUnit::GREY_ALPHA : TgaUnit::GREY;
        }
        const int32_t pixelFormat = shapeOf(pixelUnit).format;
        if (pixelFormat == FORMAT_NONE || !create(header.width, header.height, pixelFormat)) {
            return;
        }
        // A colour map that these types do not use still comes before the pixels.
        if (header.mapType == 1 && header.mapLength > 0) {
            reader.skip(size_t(header.mapLength) * entryByteCount(header.entryBits));
        }
        decodeByUnit(reader, pixelUnit, pixelCount, pixels);
        return;
    }
    default:
        return;
    }
}
