// Every load must leave the Image either empty (no pixels; format, width,
// height and channels 0) or holding a picture of a reader's format whose
// pixel array has width x height x channels finite floats. Each input is
// loaded twice: into an empty Image, and into one that already holds a small
// picture and a comment, where the readers' rules say exactly what may
// remain of the old picture and comment. A picture larger than the
// harnesses' array limit ends in std::bad_alloc, which must leave the Image
// empty.
#include "fuzz/image_harness.h"

#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "fuzz/harness_support.h"
#include "image/image.h"

namespace {

// What is left of a load, so that the first Image can be released before
// the second load (a picture may be large).
struct Outcome {
    bool outOfMemory = false;
    bool empty = true;
    int32_t format = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint64_t digest = 0;
    std::string comment;
};

int32_t expectedChannels(int32_t format) {
    switch (format) {
    case FORMAT_RGB:
        return 3;
    case FORMAT_RGBA:
        return 4;
    case FORMAT_LUMINANCE:
        return 1;
    default:
        return 0; // the readers make no other format
    }
}

// Checks the invariants and reads every float (AddressSanitizer stops a read
// past a short array); the digest covers the bit patterns of all of them.
Outcome inspect(const Image& image, bool outOfMemory) {
    Outcome outcome;
    outcome.outOfMemory = outOfMemory;
    outcome.comment = image.comment;
    fuzzRequire(!outOfMemory || image.pixels == nullptr, "pixels kept after running out of memory");
    if (image.pixels == nullptr) {
        fuzzRequire(image.format == 0 && image.width == 0 && image.height == 0 &&
                        image.channels == 0,
                    "an Image without pixels has a format or a size");
        return outcome;
    }
    fuzzRequire(image.width > 0 && image.height > 0, "pixels with a side of 0 or below");
    const int32_t channels = expectedChannels(image.format);
    fuzzRequire(channels != 0, "a reader made a format other than RGB, RGBA or luminance");
    fuzzRequire(image.channels == channels, "channels do not match the format");
    const size_t count = size_t(image.width) * size_t(image.height) * size_t(channels);
    uint64_t digest = 1469598103934665603ull;
    for (size_t i = 0; i < count; ++i) {
        const float value = image.pixels[i];
        fuzzRequire(std::isfinite(value), "a component is not a finite number");
        uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        digest = (digest ^ bits) * 1099511628211ull;
    }
    outcome.empty = false;
    outcome.format = image.format;
    outcome.width = image.width;
    outcome.height = image.height;
    outcome.digest = digest;
    return outcome;
}

// Loads the file; true when the picture did not fit in memory.
bool loadRanOutOfMemory(Image& image, const std::string& fileName) {
    try {
        image.loadFile(fileName.c_str());
    } catch (const std::bad_alloc&) {
        return true;
    }
    return false;
}

bool samePicture(const Outcome& a, const Outcome& b) {
    return a.empty == b.empty && a.format == b.format && a.width == b.width &&
           a.height == b.height && a.digest == b.digest;
}

const char PREVIOUS_COMMENT[] = "previous";

// A 3 x 2 RGBA picture with distinct components, and a comment.
void fillPrevious(Image& image) {
    fuzzRequire(image.create(3, 2, FORMAT_RGBA), "cannot create the previous picture");
    for (size_t i = 0; i < image.floatCount(); ++i) {
        image.pixels[i] = 0.5f + float(i);
    }
    image.comment = PREVIOUS_COMMENT;
}

const char* scratchName(FuzzedReader reader) {
    switch (reader) {
    case FuzzedReader::Tga:
        return "input.tga";
    case FuzzedReader::Bmp:
        return "input.bmp";
    default:
        return "input.ppm";
    }
}

} // namespace

int fuzzImageReader(FuzzedReader reader, const uint8_t* data, size_t size) {
    static const ScratchFile tga(scratchName(FuzzedReader::Tga));
    static const ScratchFile bmp(scratchName(FuzzedReader::Bmp));
    static const ScratchFile pnm(scratchName(FuzzedReader::Pnm));
    const ScratchFile& file = reader == FuzzedReader::Tga   ? tga
                              : reader == FuzzedReader::Bmp ? bmp
                                                            : pnm;
    file.write(data, size);

    Outcome fresh;
    {
        Image image;
        const bool outOfMemory = loadRanOutOfMemory(image, file.path);
        fresh = inspect(image, outOfMemory);
    }

    Image image;
    fillPrevious(image);
    const Outcome previous = inspect(image, false);
    const bool outOfMemory = loadRanOutOfMemory(image, file.path);
    const Outcome reloaded = inspect(image, outOfMemory);

    // The same file gives the same picture whatever the Image held before;
    // where the first load left nothing, BMP and PNM may also leave the old
    // picture untouched (a refused header), while TGA always empties first.
    const bool untouched = samePicture(reloaded, previous);
    fuzzRequire(reloaded.outOfMemory == fresh.outOfMemory, "memory ran out in one load only");
    if (!fresh.empty || fresh.outOfMemory || reader == FuzzedReader::Tga) {
        fuzzRequire(samePicture(reloaded, fresh), "a second load gave another result");
    } else {
        fuzzRequire(untouched || reloaded.empty,
                    "a load that gave no picture changed the previous one");
    }

    switch (reader) {
    case FuzzedReader::Tga:
        fuzzRequire(reloaded.comment == fresh.comment, "the ID field did not replace the comment");
        break;
    case FuzzedReader::Bmp:
        fuzzRequire(fresh.comment.empty() && reloaded.comment == PREVIOUS_COMMENT,
                    "the BMP reader changed the comment");
        break;
    case FuzzedReader::Pnm:
        fuzzRequire(reloaded.comment == PREVIOUS_COMMENT + fresh.comment,
                    "the PNM reader did not append its comment text");
        fuzzRequire(fresh.comment.size() <= size, "more comment text than input bytes");
        break;
    }
    return 0;
}
