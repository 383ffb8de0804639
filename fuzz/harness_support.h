// Shared pieces of the fuzz harnesses: a scratch file that each input is
// written to (the readers take file names), and a hard stop that a fuzzer
// and the corpus replay both report as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Prints `what` and aborts the process.
[[noreturn]] void fuzzFailure(const char* what);

// Array allocations (`new T[n]`) above this many bytes throw std::bad_alloc
// in every harness, as on a machine with little memory: a picture's storage
// is such an array, so a file that declares a huge picture is followed down
// the out-of-memory path instead of spending seconds filling gigabytes.
constexpr size_t FUZZ_ARRAY_LIMIT = size_t(8) << 20;

// Aborts with `what` unless `condition` holds.
inline void fuzzRequire(bool condition, const char* what) {
    if (!condition) {
        fuzzFailure(what);
    }
}

// A file of this process under the system's temporary folder, named
// tapquill-fuzz-<pid>-<stem>.<extension>, rewritten for every input and
// removed when the process ends normally.
class ScratchFile {
  public:
    explicit ScratchFile(const std::string& stemAndExtension);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the file's contents by `size` bytes; aborts when it cannot.
    void write(const uint8_t* data, size_t size) const;

    std::string path;
};
