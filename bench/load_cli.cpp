// A small program that loads one input and exits, so that our loaders and
// the baselines can be timed alike as whole processes:
//   tq_load dictionary FILE | verses FILE | text FILE | image FILE | stb FILE | none
//   tq_load touch MIB   (writes MIB mebibytes of fresh memory: the cost of
//                        first touches on this machine)
// With --memory first, it prints the peak resident set (Linux) before and
// after the load in KiB, the number of entries or pictures loaded (for a
// text, the bytes of its pieces), the size of one string object, and for the
// word sources the list's room and the bytes of the entries' text:
// "before after entries string-bytes [room text-bytes]".
#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/text_source.h"
#include "game/word_sources.h"
#include "image/image.h"

namespace {

// The peak resident set of this program image (VmHWM). getrusage's
// ru_maxrss would do, but it keeps the peak of the parent that forked us
// from before the exec.
long peakResidentKiB() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    long kib = -1;
    if (status != nullptr) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) {
                break;
            }
        }
        std::fclose(status);
    }
    return kib;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: tq_load [--memory] dictionary|verses|text|image|stb FILE, touch MIB, or none\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    const bool memory = argc > 1 && std::strcmp(argv[1], "--memory") == 0;
    if (memory) {
        ++first;
    }
    if (argc <= first) {
        return usage();
    }
    const std::string mode = argv[first];
    const char* file = argc > first + 1 ? argv[first + 1] : nullptr;
    if (mode != "none" && file == nullptr) {
        return usage();
    }
    const long before = peakResidentKiB();

    size_t loaded = 0;
    if (mode == "dictionary" || mode == "verses") {
        WordList words;
        std::string error;
        const bool ok = mode == "dictionary" ? loadDictionary(words, error, file)
                                             : loadVerses(words, error, file);
        if (!ok) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        loaded = words.size();
        size_t textBytes = 0;
        for (const std::string& word : words) {
            textBytes += word.size();
        }
        if (memory) {
            std::printf("%ld %ld %zu %zu %zu %zu\n", before, peakResidentKiB(), loaded,
                        sizeof(std::string), words.capacity(), textBytes);
        }
        return 0;
    }
    if (mode == "text") {
        TextPieces pieces;
        std::string error;
        if (!loadText(file, pieces, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        loaded = pieces.bytes();
    } else if (mode == "image") {
        Image image;
        image.loadFile(file);
        loaded = image.holdsPicture() ? 1 : 0;
    } else if (mode == "stb") {
        int width = 0;
        int height = 0;
        int channels = 0;
        unsigned char* pixels = stbi_load(file, &width, &height, &channels, 0);
        loaded = pixels != nullptr ? 1 : 0;
        stbi_image_free(pixels);
    } else if (mode == "none") {
        loaded = 1;
    } else if (mode == "touch") {
        const size_t bytes = size_t(std::strtoul(file, nullptr, 10)) << 20;
        char* memory = new char[bytes];
        std::memset(memory, 1, bytes);
        loaded = size_t(memory[bytes / 2]);
        delete[] memory;
    } else {
        return usage();
    }
    if (memory) {
        std::printf("%ld %ld %zu %zu\n", before, peakResidentKiB(), loaded, sizeof(std::string));
    }
    return loaded > 0 ? 0 : 1;
}
