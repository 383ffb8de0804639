// Test pictures written as uncompressed TGA files, byte by byte, and the
// temporary folders they live in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

// A fresh folder under the system's temporary directory, removed again when
// the object goes.
class ScratchFolder {
  public:
    std::filesystem::path path;

    explicit ScratchFolder(const std::string& name) {
        path = std::filesystem::temp_directory_path() /
               ("tapquill-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

// Writes a TGA with no ID field and no colour map, rows bottom first.
// `pixelData` holds the pixel bytes in file order (B, G, R(, A) for true
// colour, one byte per pixel for grey).
inline void writeTga(const std::string& fileName, uint8_t imageType, int width, int height,
                     uint8_t depthBits, const std::vector<uint8_t>& pixelData) {
    std::vector<uint8_t> bytes;
    auto put16 = [&bytes](int value) {
        bytes.push_back(uint8_t(value & 0xFF));
        bytes.push_back(uint8_t((value >> 8) & 0xFF));
    };
    bytes.push_back(0);         // ID length
    bytes.push_back(0);         // colour map type
    bytes.push_back(imageType); // 2 true colour, 3 grey, 10 run-length colour
    put16(0);                   // colour map first index
    put16(0);                   // colour map length
    bytes.push_back(0);         // colour map entry size
    put16(0);                   // x origin
    put16(0);                   // y origin
    put16(width);
    put16(height);
    bytes.push_back(depthBits);
    bytes.push_back(uint8_t(depthBits == 32 ? 8 : 0)); // alpha bits, bottom-left origin
    bytes.insert(bytes.end(), pixelData.begin(), pixelData.end());
    std::ofstream out(fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
