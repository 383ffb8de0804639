// libFuzzer entry for the player's own text (--text). Each input is read as
// a text file and, the same bytes, from memory: both must give the same
// pieces, and every piece must be something a player can type: not empty,
// at most TEXT_PIECE_LIMIT characters, single spaces between words and none
// at either end, and no byte that no key types (controls, tabs, line ends,
// byte 26, the bytes that Latin-1 leaves to control codes).
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/harness_support.h"
#include "game/text_source.h"

namespace {

bool typeable(const std::string& piece) {
    if (piece.empty() || piece.size() > TEXT_PIECE_LIMIT || piece.front() == ' ' ||
        piece.back() == ' ' || piece.find("  ") != std::string::npos) {
        return false;
    }
    for (const char c : piece) {
        const unsigned byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile file("text.txt");
    file.write(data, size);

    TextPieces fromFile;
    std::string error;
    const bool loaded = loadText(file.path, fromFile, error);
    TextPieces fromMemory;
    cutText(reinterpret_cast<const char*>(data), size, false, fromMemory);
    const std::vector<std::string> pieces = fromMemory.all();
    fuzzRequire(fromFile.all() == pieces && fromFile.leftOut == fromMemory.leftOut,
                "the file and the same bytes in memory give different pieces");
    fuzzRequire(loaded == !pieces.empty(), "the result does not say whether pieces were made");
    fuzzRequire(loaded || !error.empty(), "a failed load left no message");
    fuzzRequire(fromMemory.leftOut <= size, "more characters left out than bytes read");
    for (const std::string& piece : pieces) {
        fuzzRequire(typeable(piece), "a piece holds what no key types, or is badly cut");
    }
    // The pieces come round in order.
    std::string target;
    for (size_t i = 0; i <= pieces.size(); ++i) {
        fromMemory.next(target);
        fuzzRequire(target == (pieces.empty() ? "" : pieces[i % pieces.size()]),
                    "the targets do not follow the pieces in order");
    }
    return 0;
}
