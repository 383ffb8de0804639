#include "game/word_sources.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/files.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

std::string quoted(const std::string& fileName) {
    return "\"" + fileName + "\"";
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

// The first line feed or digit in [p, end), or end when there is none.
const char* findLineFeedOrDigit(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i belowZero = _mm_set1_epi8('0' - 1);
    const __m128i aboveNine = _mm_set1_epi8('9' + 1);
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // Signed compares: bytes from 128 up are negative, so never digits.
        const __m128i digit =
            _mm_and_si128(_mm_cmpgt_epi8(bytes, belowZero), _mm_cmplt_epi8(bytes, aboveNine));
        const __m128i hit = _mm_or_si128(digit, _mm_cmpeq_epi8(bytes, lineFeed));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p != end && *p != '\n' && !isDigit(*p))
        ++p;
    return p;
}

// Removes, in place, each carriage return that directly precedes a line feed
// among the first `size` bytes and returns the new size. A carriage return in
// the last place is dropped from the run and reported through `carried` when
// more text may follow (the next byte decides its fate).
size_t dropReturnsBeforeLineFeeds(char* data, size_t size, bool moreMayFollow, bool& carried) {
    carried = false;
    const void* first = std::memchr(data, '\r', size);
    if (first == nullptr)
        return size;
    size_t out = static_cast<size_t>(static_cast<const char*>(first) - data);
    for (size_t in = out; in < size; ++in) {
        const char c = data[in];
        if (c == '\r') {
            if (in + 1 == size && moreMayFollow) {
                carried = true;
                continue;
            }
            if (in + 1 < size && data[in + 1] == '\n')
                continue;
        }
        data[out++] = c;
    }
    return out;
}

// Reads the file in chunks as a text-mode read delivers it (byte 26 ends the
// file, a carriage return directly before a line feed vanishes) and hands
// each run of text to sink(data, size), until the sink returns false or the
// file ends. Nothing is held but one chunk.
template <class Sink>
bool readTextMode(const std::string& fileName, std::string& error, Sink&& sink) {
    std::string why;
    std::FILE* file = openRegularFile(fileName, &why);
    if (file == nullptr) {
        error = "cannot read " + quoted(fileName) + ": " + why;
        return false;
    }
    // One place in front for a carriage return carried over from the last chunk.
    std::unique_ptr<char[]> buffer(new char[WORD_SOURCE_CHUNK + 1]);
    bool carried = false;
    bool ended = false;
    int readErrno = 0;
    size_t left = WORD_SOURCE_BYTE_LIMIT;
    while (!ended) {
        size_t start = 0;
        if (carried)
            buffer[start++] = '\r';
        const size_t want = std::min(WORD_SOURCE_CHUNK, left);
        const size_t got = std::fread(buffer.get() + start, 1, want, file);
        left -= got;
        if (got < want) {
            ended = true;
            readErrno = errno;
        } else if (left == 0) {
            ended = true;
        }
        size_t size = start + got;
        const void* stop = std::memchr(buffer.get() + start, 26, got);
        if (stop != nullptr) {
            size = static_cast<size_t>(static_cast<const char*>(stop) - buffer.get());
            ended = true;
        }
        size = dropReturnsBeforeLineFeeds(buffer.get(), size, !ended, carried);
        if (size > 0 && !sink(static_cast<const char*>(buffer.get()), size))
            break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = "cannot read " + quoted(fileName) + ": " + std::strerror(readErrno);
        return false;
    }
    return true;
}

// Splits text handed over in runs into whitespace-separated words; a word
// may span runs.
class WordCollector {
  public:
    explicit WordCollector(WordList& words) : words(words), limit(words.size() + WORD_LIST_LIMIT) {}

    // Takes the next run of text; false once the list is full.
    bool feed(const char* data, size_t size) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
        const unsigned char* end = p + size;
        if (!partial.empty()) {
            const unsigned char* start = p;
            while (p != end && !spaces.isSpace[*p])
                ++p;
            partial.append(reinterpret_cast<const char*>(start), static_cast<size_t>(p - start));
            if (p == end)
                return true;
            words.push_back(std::move(partial));
            partial.clear();
            if (words.size() == limit)
                return false;
        }
        for (;;) {
            while (p != end && spaces.isSpace[*p])
                ++p;
            if (p == end)
                return true;
            const unsigned char* start = p;
            while (p != end && !spaces.isSpace[*p])
                ++p;
            if (p == end) {
                partial.assign(reinterpret_cast<const char*>(start),
                               static_cast<size_t>(p - start));
                return true;
            }
            words.emplace_back(reinterpret_cast<const char*>(start),
                               static_cast<size_t>(p - start));
            if (words.size() == limit)
                return false;
        }
    }

    // The text has ended: a word that ran to the end is complete.
    void finish() {
        if (!partial.empty())
            words.push_back(std::move(partial));
        partial.clear();
    }

  private:
    WordList& words;
    const size_t limit;
    std::string partial;
};

// Splits text handed over in runs into verses. Each character is handled
// only once the one after it is known, so a character that ends a run waits
// for the next run, and the last character of the text is never handled.
class VerseCollector {
  public:
    explicit VerseCollector(WordList& verses)
        : verses(verses), limit(verses.size() + WORD_LIST_LIMIT) {
        verse.reserve(VERSE_TEXT_RESERVE);
    }

    // Takes the next run of text; false once the list is full.
    bool feed(const char* data, size_t size) {
        size_t i = 0;
        for (;;) {
            if (skipping) {
                // A reference: drop everything up to and including the next space.
                const void* space = std::memchr(data + i, ' ', size - i);
                if (space == nullptr)
                    return true;
                i = static_cast<size_t>(static_cast<const char*>(space) - data) + 1;
                skipping = false;
            }
            if (holding) {
                if (i == size)
                    return true;
                holding = false;
                i = handle(held, data, i);
                if (verses.size() == limit)
                    return false;
                continue;
            }
            while (i + 1 < size && !skipping) {
                const char ch = data[i];
                if (ch == '\n' || isDigit(ch)) {
                    i = handle(ch, data, i + 1);
                    if (verses.size() == limit)
                        return false;
                    continue;
                }
                // A run of plain characters, up to the last one that can be handled.
                const size_t j =
                    static_cast<size_t>(findLineFeedOrDigit(data + i + 1, data + size - 1) - data);
                verse.append(data + i, j - i);
                i = j;
            }
            if (skipping)
                continue;
            if (i + 1 == size) {
                held = data[i];
                holding = true;
            }
            return true;
        }
    }

  private:
    // Handles ch, whose next character is data[next]; returns where to go on.
    size_t handle(char ch, const char* data, size_t next) {
        if (ch == '\n') {
            if (data[next] == '\n') {
                // The finished verse is stored at its own length; the one under
                // construction keeps its room.
                verses.push_back(verse);
                verse.clear();
                return next + 1;
            }
            verse += ' ';
        } else if (isDigit(ch)) {
            skipping = true;
        } else {
            verse += ch;
        }
        return next;
    }

    WordList& verses;
    const size_t limit;
    std::string verse;
    char held = 0;
    bool holding = false;
    bool skipping = false;
};

} // namespace

bool loadDictionary(WordList& words, std::string& error, const std::string& fileName) {
    const size_t kept = words.size();
    words.reserve(DICTIONARY_RESERVE);
    WordCollector collector(words);
    if (!readTextMode(fileName, error, [&collector](const char* data, size_t size) {
            return collector.feed(data, size);
        })) {
        words.resize(kept);
        return false;
    }
    collector.finish();
    if (words.empty()) {
        error = quoted(fileName) + " holds no words";
        return false;
    }
    return true;
}

bool loadVerses(WordList& words, std::string& error, const std::string& fileName) {
    const size_t kept = words.size();
    words.reserve(VERSE_RESERVE);
    VerseCollector collector(words);
    if (!readTextMode(fileName, error, [&collector](const char* data, size_t size) {
            return collector.feed(data, size);
        })) {
        words.resize(kept);
        return false;
    }
    if (words.empty()) {
        error = quoted(fileName) + " holds no verses";
        return false;
    }
    return true;
}

void buildTargetText(GameState& game, RandomGenerator& random) {
    std::string& target = game.targetText;
    target.clear();
    const uint32_t count = static_cast<uint32_t>(game.words.size());
    if (count == 0)
        return;
    // Text beyond TARGET_TEXT_LIMIT is left off; every draw is still made, so
    // the texts that follow are the same as without the limit.
    const auto append = [&target](const std::string& text) {
        target.append(text, 0, std::min(text.size(), TARGET_TEXT_LIMIT - target.size()));
    };
    if (game.verseMode) {
        append(game.words[random.draw() % count]);
        return;
    }
    for (int32_t i = 0; i < game.wordCount; ++i) {
        append(game.words[random.draw() % count]);
        if (i + 1 != game.wordCount)
            append(" ");
    }
}
