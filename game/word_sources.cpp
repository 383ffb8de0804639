#include "game/word_sources.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string quoted(const std::string& fileName) {
    return "\"" + fileName + "\"";
}

bool readBinaryFile(const std::string& fileName, std::string& contents, std::string& error) {
    contents.clear();
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot read " + quoted(fileName) + ": " + std::strerror(errno);
        return false;
    }
    // Grow by whole chunks; the size reported by the file system is only a hint.
    size_t used = 0;
    size_t capacity = 1 << 16;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        // A directory or device may report any size; trust only sensible ones.
        long size = std::ftell(file);
        if (size > 0 && size < (long(1) << 30))
            capacity = static_cast<size_t>(size) + 1;
        std::rewind(file);
    }
    contents.resize(capacity);
    for (;;) {
        size_t got = std::fread(&contents[used], 1, contents.size() - used, file);
        used += got;
        if (used < contents.size())
            break;
        contents.resize(contents.size() * 2);
    }
    bool failed = std::ferror(file) != 0;
    int readErrno = errno;
    std::fclose(file);
    if (failed) {
        contents.clear();
        error = "cannot read " + quoted(fileName) + ": " + std::strerror(readErrno);
        return false;
    }
    contents.resize(used);
    return true;
}

// What a text-mode read delivers: byte 26 ends the file, and each carriage
// return directly before a line feed disappears.
void applyTextMode(std::string& contents) {
    const void* end = std::memchr(contents.data(), 26, contents.size());
    if (end != nullptr)
        contents.resize(static_cast<const char*>(end) - contents.data());
    const char* data = contents.data();
    const char* cr = static_cast<const char*>(std::memchr(data, '\r', contents.size()));
    if (cr == nullptr)
        return;
    size_t out = static_cast<size_t>(cr - data);
    for (size_t in = out; in < contents.size(); ++in) {
        char c = contents[in];
        if (c == '\r' && in + 1 < contents.size() && contents[in + 1] == '\n')
            continue;
        contents[out++] = c;
    }
    contents.resize(out);
}

// The bytes that separate words: space, tab, line feed, vertical tab,
// form feed and carriage return.
struct SpaceTable {
    bool isSpace[256] = {};
    constexpr SpaceTable() {
        isSpace[int(' ')] = isSpace[int('\t')] = isSpace[int('\n')] = true;
        isSpace[int('\v')] = isSpace[int('\f')] = isSpace[int('\r')] = true;
    }
};
constexpr SpaceTable spaces;

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool readTextFile(const std::string& fileName, std::string& contents, std::string& error) {
    if (!readBinaryFile(fileName, contents, error))
        return false;
    applyTextMode(contents);
    return true;
}

void parseWords(const std::string& text, WordList& words) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    for (;;) {
        while (p != end && spaces.isSpace[*p])
            ++p;
        if (p == end)
            return;
        const unsigned char* start = p;
        while (p != end && !spaces.isSpace[*p])
            ++p;
        words.emplace_back(reinterpret_cast<const char*>(start), static_cast<size_t>(p - start));
    }
}

void parseVerses(const std::string& text, WordList& words) {
    const char* data = text.data();
    const size_t n = text.size();
    std::string verse;
    verse.reserve(VERSE_TEXT_RESERVE);
    // Each step takes one character and looks at the one after it, so the
    // last character of the file is never handled.
    size_t i = 0;
    while (i + 1 < n) {
        char ch = data[i];
        if (ch == '\n') {
            if (data[i + 1] == '\n') {
                words.push_back(std::move(verse));
                verse = std::string();
                verse.reserve(VERSE_TEXT_RESERVE);
                i += 2;
            } else {
                verse += ' ';
                i += 1;
            }
        } else if (isDigit(ch)) {
            // A reference: drop it and everything up to and including the next space.
            const void* space = std::memchr(data + i + 1, ' ', n - (i + 1));
            i = space != nullptr ? static_cast<size_t>(static_cast<const char*>(space) - data) + 1
                                 : n;
        } else {
            // A run of plain characters, up to the last one that can be handled.
            size_t j = i + 1;
            while (j + 1 < n && data[j] != '\n' && !isDigit(data[j]))
                ++j;
            verse.append(data + i, j - i);
            i = j;
        }
    }
}

bool loadDictionary(WordList& words, std::string& error, const std::string& fileName) {
    std::string text;
    if (!readTextFile(fileName, text, error))
        return false;
    words.reserve(DICTIONARY_RESERVE);
    parseWords(text, words);
    if (words.empty()) {
        error = quoted(fileName) + " holds no words";
        return false;
    }
    return true;
}

bool loadVerses(WordList& words, std::string& error, const std::string& fileName) {
    std::string text;
    if (!readTextFile(fileName, text, error))
        return false;
    words.reserve(VERSE_RESERVE);
    parseVerses(text, words);
    if (words.empty()) {
        error = quoted(fileName) + " holds no verses";
        return false;
    }
    return true;
}

void buildTargetText(GameState& game, RandomGenerator& random) {
    game.targetText.clear();
    const uint32_t count = static_cast<uint32_t>(game.words.size());
    if (count == 0)
        return;
    if (game.verseMode) {
        game.targetText = game.words[random.draw() % count];
        return;
    }
    for (int32_t i = 0; i < game.wordCount; ++i) {
        game.targetText += game.words[random.draw() % count];
        if (i + 1 != game.wordCount)
            game.targetText += ' ';
    }
}
