// Pixel arrays of Images: allocation and release.
#pragma once

#include <cstddef>

// An uninitialised array of `count` floats; throws std::bad_alloc when memory
// runs out. Release it with releasePixels only.
float* allocatePixels(size_t count);

// Releases an array from allocatePixels; nullptr is ignored.
void releasePixels(float* pixels);
