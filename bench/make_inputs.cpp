// Writes the benchmark inputs into one folder, the same bytes on every run:
//   words.dat   300000 whitespace-separated words, one per line
//   rgba32.tga  2048 x 2048 true-colour TGA, 32 bits per pixel
//   rgb24.bmp   2048 x 2048 BMP, 24 bits per pixel
//   raw.ppm     2048 x 2048 raw PPM (P6), maxval 255
//   plain.ppm   the same picture as plain PPM (P3)
// Usage: make_inputs FOLDER
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int SIDE = 2048;
constexpr int WORD_COUNT = 300000;

// A fixed linear congruential sequence, so the inputs never change.
struct Sequence {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

bool save(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::perror(path.c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// Mostly short words, as in a dictionary; one in fifty longer than a short
// string's inline room.
std::string words() {
    Sequence random{12345};
    std::string text;
    text.reserve(size_t(WORD_COUNT) * 10);
    for (int i = 0; i < WORD_COUNT; ++i) {
        const uint32_t pick = random.next();
        size_t length = 2 + pick % 11;
        if (pick % 50 == 0) {
            length = 16 + pick % 9;
        }
        for (size_t k = 0; k < length; ++k) {
            const uint32_t letter = random.next() % 27;
            text += letter == 26 ? '\'' : char('a' + letter);
        }
        text += '\n';
    }
    return text;
}

// Red, green, blue, alpha of each pixel, top row first: smooth gradients
// with some noise, so that plain samples have one to three digits.
std::vector<uint8_t> picture() {
    Sequence random{777};
    std::vector<uint8_t> rgba(size_t(SIDE) * SIDE * 4);
    uint8_t* p = rgba.data();
    for (int y = 0; y < SIDE; ++y) {
        for (int x = 0; x < SIDE; ++x, p += 4) {
            const uint32_t noise = random.next();
            p[0] = uint8_t((x / 8 + (noise & 15)) & 255);
            p[1] = uint8_t((y / 8 + ((noise >> 4) & 31)) & 255);
            p[2] = uint8_t(((x + y) / 16 + ((noise >> 9) & 7)) & 255);
            p[3] = uint8_t(255 - ((noise >> 12) & 63));
        }
    }
    return rgba;
}

void appendLe16(std::string& bytes, uint32_t value) {
    bytes += char(value & 0xFF);
    bytes += char((value >> 8) & 0xFF);
}

void appendLe32(std::string& bytes, uint32_t value) {
    appendLe16(bytes, value & 0xFFFF);
    appendLe16(bytes, value >> 16);
}

// Rows are stored bottom-up in both formats, as their default origin says.
std::string tga(const std::vector<uint8_t>& rgba) {
    std::string bytes;
    const char header[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bytes.append(header, sizeof header);
    appendLe16(bytes, SIDE);
    appendLe16(bytes, SIDE);
    bytes += char(32);
    bytes += char(8); // eight alpha bits, bottom-left origin
    for (int y = SIDE - 1; y >= 0; --y) {
        const uint8_t* p = rgba.data() + size_t(y) * SIDE * 4;
        for (int x = 0; x < SIDE; ++x, p += 4) {
            bytes += char(p[2]);
            bytes += char(p[1]);
            bytes += char(p[0]);
            bytes += char(p[3]);
        }
    }
    return bytes;
}

std::string bmp(const std::vector<uint8_t>& rgba) {
    const uint32_t rowBytes = SIDE * 3; // a multiple of 4: no padding
    const uint32_t dataBytes = rowBytes * SIDE;
    std::string bytes = "BM";
    appendLe32(bytes, 54 + dataBytes);
    appendLe32(bytes, 0);
    appendLe32(bytes, 54);
    appendLe32(bytes, 40);
    appendLe32(bytes, SIDE);
    appendLe32(bytes, SIDE);
    appendLe16(bytes, 1);
    appendLe16(bytes, 24);
    appendLe32(bytes, 0);
    appendLe32(bytes, dataBytes);
    appendLe32(bytes, 2835);
    appendLe32(bytes, 2835);
    appendLe32(bytes, 0);
    appendLe32(bytes, 0);
    for (int y = SIDE - 1; y >= 0; --y) {
        const uint8_t* p = rgba.data() + size_t(y) * SIDE * 4;
        for (int x = 0; x < SIDE; ++x, p += 4) {
            bytes += char(p[2]);
            bytes += char(p[1]);
            bytes += char(p[0]);
        }
    }
    return bytes;
}

std::string rawPpm(const std::vector<uint8_t>& rgba) {
    std::string bytes = "P6\n" + std::to_string(SIDE) + " " + std::to_string(SIDE) + "\n255\n";
    for (size_t i = 0; i < rgba.size(); i += 4) {
        bytes.append(reinterpret_cast<const char*>(rgba.data() + i), 3);
    }
    return bytes;
}

// Five pixels per line, samples separated by single spaces.
std::string plainPpm(const std::vector<uint8_t>& rgba) {
    std::string bytes = "P3\n" + std::to_string(SIDE) + " " + std::to_string(SIDE) + "\n255\n";
    size_t pixel = 0;
    for (size_t i = 0; i < rgba.size(); i += 4, ++pixel) {
        for (size_t k = 0; k < 3; ++k) {
            bytes += std::to_string(rgba[i + k]);
            bytes += k < 2 || pixel % 5 != 4 ? ' ' : '\n';
        }
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_inputs FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::vector<uint8_t> rgba = picture();
    const bool ok =
        save(folder + "/words.dat", words()) && save(folder + "/rgba32.tga", tga(rgba)) &&
        save(folder + "/rgb24.bmp", bmp(rgba)) && save(folder + "/raw.ppm", rawPpm(rgba)) &&
        save(folder + "/plain.ppm", plainPpm(rgba));
    return ok ? 0 : 1;
}
