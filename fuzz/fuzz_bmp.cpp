// libFuzzer entry for the BMP reader.
#include "fuzz/image_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzImageReader(FuzzedReader::Bmp, data, size);
}
