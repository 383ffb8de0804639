#include "fuzz/harness_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

#ifdef _WIN32
#include <process.h>
#define TQ_PROCESS_ID _getpid
#else
#include <unistd.h>
#define TQ_PROCESS_ID getpid
#endif

// The array forms of the global allocation functions, replaced for the
// harnesses; the plain forms they forward to stay those of the run-time
// (the sanitizers' when they are on).
void* operator new[](std::size_t size) {
    if (size > FUZZ_ARRAY_LIMIT) {
        throw std::bad_alloc();
    }
    return ::operator new(size);
}

void operator delete[](void* memory) noexcept {
    ::operator delete(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    ::operator delete(memory);
}

void fuzzFailure(const char* what) {
    std::fprintf(stderr, "fuzz harness: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

ScratchFile::ScratchFile(const std::string& stemAndExtension) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) {
        folder = ".";
    }
    path = (folder / ("tapquill-fuzz-" + std::to_string(TQ_PROCESS_ID()) + "-" + stemAndExtension))
               .string();
}

ScratchFile::~ScratchFile() {
    std::remove(path.c_str());
}

void ScratchFile::write(const uint8_t* data, size_t size) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    fuzzRequire(file != nullptr, "cannot create the scratch file");
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    fuzzRequire(written && closed, "cannot write the scratch file");
}
