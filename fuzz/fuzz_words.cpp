// libFuzzer entry for the two word sources. Each input is read as a word
// list and as a verse file, and the entries must equal those of a plain
// reference reader built on the standard streams, the way the formats are
// defined: text-mode bytes (byte 26 ends the file, a carriage return before
// a line feed vanishes), then word extraction, or the verse rules taking one
// character and peeking at the next.
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz/harness_support.h"
#include "game/word_sources.h"

namespace {

std::string textModeBytes(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const size_t stop = bytes.find('\x1a');
    if (stop != std::string::npos) {
        bytes.resize(stop);
    }
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        text += bytes[i];
    }
    return text;
}

WordList referenceWords(const std::string& text) {
    std::istringstream in(text);
    WordList words;
    std::string word;
    while (words.size() < WORD_LIST_LIMIT && in >> word) {
        words.push_back(word);
    }
    return words;
}

WordList referenceVerses(const std::string& text) {
    std::istringstream in(text);
    WordList verses;
    std::string verse;
    while (verses.size() < WORD_LIST_LIMIT) {
        const int ch = in.get();
        const int next = in.peek();
        if (ch == std::char_traits<char>::eof() || next == std::char_traits<char>::eof()) {
            break;
        }
        if (ch == '\n' && next == '\n') {
            verses.push_back(verse);
            verse.clear();
            in.get();
        } else if (ch == '\n') {
            verse += ' ';
        } else if (ch < '0' || ch > '9') {
            verse += char(ch);
        } else {
            int skipped = 0;
            do {
                skipped = in.get();
            } while (skipped != std::char_traits<char>::eof() && skipped != ' ');
        }
    }
    return verses;
}

void checkLoad(bool loaded, const WordList& entries, const std::string& error,
               const WordList& expected) {
    fuzzRequire(entries == expected, "the entries differ from the reference reader");
    fuzzRequire(loaded == !expected.empty(), "the result does not say whether entries were read");
    fuzzRequire(loaded || !error.empty(), "a failed load left no message");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile file("words.dat");
    file.write(data, size);
    const std::string text = textModeBytes(data, size);

    WordList words;
    std::string error;
    const bool wordsLoaded = loadDictionary(words, error, file.path);
    checkLoad(wordsLoaded, words, error, referenceWords(text));

    WordList verses;
    error.clear();
    const bool versesLoaded = loadVerses(verses, error, file.path);
    checkLoad(versesLoaded, verses, error, referenceVerses(text));
    return 0;
}
