// libFuzzer entry for the TGA reader.
#include "fuzz/image_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzImageReader(FuzzedReader::Tga, data, size);
}
