// Runs one fuzz input through an image reader (by way of loadFile) and
// checks what it leaves in the Image.
#pragma once

#include <cstddef>
#include <cstdint>

enum class FuzzedReader { Tga, Bmp, Pnm };

// Always returns 0; aborts on any broken invariant.
int fuzzImageReader(FuzzedReader reader, const uint8_t* data, size_t size);
