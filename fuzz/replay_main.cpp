// Runs a fuzz harness over every file of the folders (or single files) given
// on the command line, in name order, without libFuzzer: the corpus and the
// kept crash inputs become a plain test that any build can run. A folder
// that does not exist is skipped; an input that breaks the harness aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& place) {
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    if (std::filesystem::is_regular_file(place, error)) {
        inputs.push_back(place);
    } else if (std::filesystem::is_directory(place, error)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(place, error)) {
            if (entry.is_regular_file(error) && entry.path().filename().string()[0] != '.') {
                inputs.push_back(entry.path());
            }
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

} // namespace

int main(int argc, char** argv) {
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::filesystem::path& input : inputsOf(argv[i])) {
            std::ifstream in(input, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
            if (!in.good() && !in.eof()) {
                std::fprintf(stderr, "cannot read %s\n", input.string().c_str());
                return 1;
            }
            // Named first, so that a crash report says which input it was.
            std::fprintf(stderr, "%s\n", input.string().c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
