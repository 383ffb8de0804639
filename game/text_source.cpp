#include "game/text_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "game/word_sources.h"
#include "platform/files.h"

namespace {

// Characters that become what a keyboard types. The replacement goes through
// the same cleaning as the file's own characters: " " is white space, "\n" a
// line break, "\n\n" ends a paragraph, "" leaves nothing (and is not counted
// as left out: the character shows nothing).
struct Replacement {
    uint32_t first;
    uint32_t last;
    const char* text;
};
constexpr Replacement REPLACEMENTS[] = {
    {0x0085, 0x0085, "\n"},   // next line
    {0x00A0, 0x00A0, " "},    // no-break space
    {0x00AB, 0x00AB, "\""},   // left-pointing double angle quotation mark
    {0x00AD, 0x00AD, ""},     // soft hyphen
    {0x00B4, 0x00B4, "'"},    // acute accent, used as an apostrophe
    {0x00BB, 0x00BB, "\""},   // right-pointing double angle quotation mark
    {0x0132, 0x0132, "IJ"},   // ligatures, as typists spell them
    {0x0133, 0x0133, "ij"},   //
    {0x0152, 0x0152, "OE"},   //
    {0x0153, 0x0153, "oe"},   //
    {0x02BB, 0x02BC, "'"},    // modifier letters turned comma and apostrophe
    {0x02C6, 0x02C6, "^"},    // modifier letter circumflex
    {0x02DC, 0x02DC, "~"},    // small tilde
    {0x1680, 0x1680, " "},    // ogham space mark
    {0x2000, 0x200A, " "},    // en quad to hair space
    {0x200B, 0x200D, ""},     // zero-width space, non-joiner, joiner
    {0x2010, 0x2015, "-"},    // hyphen, non-breaking hyphen, figure, en and em dash, bar
    {0x2018, 0x201B, "'"},    // single quotation marks
    {0x201C, 0x201F, "\""},   // double quotation marks
    {0x2024, 0x2024, "."},    // one dot leader
    {0x2025, 0x2025, ".."},   // two dot leader
    {0x2026, 0x2026, "..."},  // horizontal ellipsis
    {0x2028, 0x2028, "\n"},   // line separator
    {0x2029, 0x2029, "\n\n"}, // paragraph separator
    {0x202F, 0x202F, " "},    // narrow no-break space
    {0x2032, 0x2032, "'"},    // prime
    {0x2033, 0x2033, "\""},   // double prime
    {0x2035, 0x2035, "'"},    // reversed prime
    {0x2036, 0x2036, "\""},   // reversed double prime
    {0x2039, 0x203A, "'"},    // single angle quotation marks
    {0x2043, 0x2043, "-"},    // hyphen bullet
    {0x2044, 0x2044, "/"},    // fraction slash
    {0x205F, 0x205F, " "},    // medium mathematical space
    {0x2060, 0x2060, ""},     // word joiner
    {0x2212, 0x2212, "-"},    // minus sign
    {0x2215, 0x2215, "/"},    // division slash
    {0x3000, 0x3000, " "},    // ideographic space
    {0xFB00, 0xFB00, "ff"},   // Latin ligatures
    {0xFB01, 0xFB01, "fi"},   //
    {0xFB02, 0xFB02, "fl"},   //
    {0xFB03, 0xFB03, "ffi"},  //
    {0xFB04, 0xFB04, "ffl"},  //
    {0xFB05, 0xFB06, "st"},   //
    {0xFE58, 0xFE58, "-"},    // small em dash
    {0xFE63, 0xFE63, "-"},    // small hyphen-minus
    {0xFEFF, 0xFEFF, ""},     // zero-width no-break space (a byte-order mark within)
    {0xFF0D, 0xFF0D, "-"},    // fullwidth hyphen-minus
};

// Windows-1252's characters at bytes 0x80 to 0x9F; 0 where it has none.
constexpr uint16_t WINDOWS_1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// A letter followed by a combining mark (text written decomposed, as some
// systems save it) is the Latin-1 letter that has both: bases[i] with the
// mark is composed[i].
struct Composition {
    uint32_t mark;
    const char* bases;
    const char* composed;
};
constexpr Composition COMPOSITIONS[] = {
    {0x0300, "AEIOUaeiou", "\xC0\xC8\xCC\xD2\xD9\xE0\xE8\xEC\xF2\xF9"},
    {0x0301, "AEIOUYaeiouy", "\xC1\xC9\xCD\xD3\xDA\xDD\xE1\xE9\xED\xF3\xFA\xFD"},
    {0x0302, "AEIOUaeiou", "\xC2\xCA\xCE\xD4\xDB\xE2\xEA\xEE\xF4\xFB"},
    {0x0303, "ANOano", "\xC3\xD1\xD5\xE3\xF1\xF5"},
    {0x0308, "AEIOUaeiouy", "\xC4\xCB\xCF\xD6\xDC\xE4\xEB\xEF\xF6\xFC\xFF"},
    {0x030A, "Aa", "\xC5\xE5"},
    {0x0327, "Cc", "\xC7\xE7"},
};

// Takes the text's characters one at a time and makes the pieces.
class TextCutter {
  public:
    explicit TextCutter(TextPieces& pieces) : pieces(pieces) {}

    void put(uint32_t code) {
        const bool afterReturn = lastWasReturn;
        lastWasReturn = false;
        if (code > ' ' && code < 0x7F) {
            character(static_cast<char>(code));
        } else if (code == ' ' || code == '\t' || code == '\v' || code == '\f') {
            space();
        } else if (code == '\r') {
            lineBreak();
            lastWasReturn = true;
        } else if (code == '\n') {
            // The line feed of a carriage return and line feed pair ended nothing more.
            if (!afterReturn)
                lineBreak();
        } else if (code >= 0x80) {
            special(code);
        } else {
            leftOut();
        }
    }

    // The text has ended.
    void finish() { endParagraph(); }

  private:
    // A paragraph longer than this is cut while it is read, so that the one
    // being read never holds much more.
    static constexpr size_t LONG_PARAGRAPH = 4 * TEXT_PIECE_LIMIT;

    void character(char c) {
        if (pendingSpace)
            paragraph += ' ';
        pendingSpace = false;
        paragraph += c;
        lineHasText = true;
        if (paragraph.size() > LONG_PARAGRAPH)
            cutFront(2 * TEXT_PIECE_LIMIT);
    }

    void space() { pendingSpace = !paragraph.empty(); }

    void lineBreak() {
        // Lines are joined by a space; a line of white space only (or none)
        // ends the paragraph.
        if (lineHasText)
            space();
        else
            endParagraph();
        lineHasText = false;
    }

    void leftOut() {
        ++pieces.leftOut;
        lineHasText = true;
    }

    void special(uint32_t code) {
        const Replacement* replacement =
            std::upper_bound(std::begin(REPLACEMENTS), std::end(REPLACEMENTS), code,
                             [](uint32_t c, const Replacement& r) { return c < r.first; });
        if (replacement != std::begin(REPLACEMENTS) && code <= (replacement - 1)->last) {
            for (const char* c = (replacement - 1)->text; *c != '\0'; ++c)
                put(static_cast<unsigned char>(*c));
            return;
        }
        if (code >= 0xA0 && code <= 0xFF) {
            character(static_cast<char>(code));
            return;
        }
        for (const Composition& composition : COMPOSITIONS) {
            if (code != composition.mark || pendingSpace || paragraph.empty())
                continue;
            const char* base = std::strchr(composition.bases, paragraph.back());
            if (base != nullptr) {
                paragraph.back() = composition.composed[base - composition.bases];
                return;
            }
        }
        leftOut();
    }

    void endParagraph() {
        cutFront(TEXT_PIECE_LIMIT);
        if (!paragraph.empty())
            emit(0, paragraph.size());
        paragraph.clear();
        pendingSpace = false;
    }

    // Cuts pieces off the front of the paragraph until at most `keep`
    // characters are left. Each cut is at the space nearest to an equal share
    // of what is left, so that no piece is longer than the limit and the last
    // is not a stub; a word longer than the limit is cut where the space
    // would have been.
    void cutFront(size_t keep) {
        size_t start = 0;
        while (paragraph.size() - start > keep) {
            const size_t left = paragraph.size() - start;
            const size_t shares = (left + TEXT_PIECE_LIMIT - 1) / TEXT_PIECE_LIMIT;
            const size_t aim = start + (left + shares - 1) / shares;
            const size_t limit = start + TEXT_PIECE_LIMIT;
            size_t before = paragraph.rfind(' ', aim);
            before = before != std::string::npos && before > start ? before : std::string::npos;
            size_t after = paragraph.find(' ', aim + 1);
            after = after <= limit ? after : std::string::npos;
            size_t cut = aim;
            if (before != std::string::npos &&
                (after == std::string::npos || aim - before <= after - aim))
                cut = before;
            else if (after != std::string::npos)
                cut = after;
            emit(start, cut - start);
            start = paragraph[cut] == ' ' ? cut + 1 : cut;
        }
        paragraph.erase(0, start);
    }

    void emit(size_t start, size_t size) {
        // The kept text stops at the reading limit, whatever the encoding
        // made of the bytes.
        if (pieces.size() + size + 1 <= WORD_SOURCE_BYTE_LIMIT)
            pieces.add(paragraph.data() + start, size);
    }

    TextPieces& pieces;
    std::string paragraph;
    bool pendingSpace = false;
    bool lineHasText = false;
    bool lastWasReturn = false;
};

// The length of the UTF-8 sequence at p (at most `left` bytes) and its
// character; 0 when the bytes are no valid sequence, and -1 when they begin
// one that `left` cuts short.
int utf8Sequence(const unsigned char* p, size_t left, uint32_t& code) {
    const unsigned lead = p[0];
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    int length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (size_t(i) >= left)
            return -1;
        const unsigned next = p[i];
        if (next < (i == 1 ? low : 0x80u) || next > (i == 1 ? high : 0xBFu))
            return 0;
        code = code << 6 | (next & 0x3F);
    }
    return length;
}

// Whether the bytes are all UTF-8 (but for a last character cut in two,
// when the text is cut short).
bool validUtf8(const unsigned char* p, size_t size, bool cutShort) {
    const unsigned char* const end = p + size;
    while (p != end) {
        // Runs of ASCII eight bytes at a time.
        while (end - p >= 8) {
            uint64_t eight;
            std::memcpy(&eight, p, 8);
            if ((eight & 0x8080808080808080u) != 0)
                break;
            p += 8;
        }
        if (p == end)
            break;
        uint32_t code = 0;
        const int length = utf8Sequence(p, size_t(end - p), code);
        if (length == -1)
            return cutShort;
        if (length == 0)
            return false;
        p += length;
    }
    return true;
}

void decodeUtf8(const unsigned char* p, size_t size, bool cutShort, TextCutter& cutter,
                TextPieces& pieces) {
    const unsigned char* const end = p + size;
    while (p != end) {
        uint32_t code = 0;
        const int length = utf8Sequence(p, size_t(end - p), code);
        if (length == -1 && cutShort)
            return;
        if (length <= 0) {
            // A byte that begins no character (after a byte-order mark said
            // UTF-8): one character that cannot be typed.
            ++pieces.leftOut;
            ++p;
            continue;
        }
        cutter.put(code);
        p += length;
    }
}

void decodeUtf16(const unsigned char* p, size_t size, bool bigEndian, bool cutShort,
                 TextCutter& cutter, TextPieces& pieces) {
    const auto unitAt = [&](size_t i) {
        return bigEndian ? uint32_t(p[i]) << 8 | p[i + 1] : uint32_t(p[i + 1]) << 8 | p[i];
    };
    size_t i = 0;
    for (; i + 1 < size; i += 2) {
        const uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 3 >= size && cutShort)
                return;
            // A character beyond the first 65536, whole or not: none is typed.
            if (i + 3 < size && unitAt(i + 2) >= 0xDC00 && unitAt(i + 2) <= 0xDFFF)
                i += 2;
            ++pieces.leftOut;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            ++pieces.leftOut;
        } else {
            cutter.put(unit);
        }
    }
    if (i < size && !cutShort)
        ++pieces.leftOut;
}

void decodeLatin1(const unsigned char* p, size_t size, TextCutter& cutter) {
    for (size_t i = 0; i < size; ++i) {
        const uint32_t byte = p[i];
        const uint32_t windows = byte >= 0x80 && byte < 0xA0 ? WINDOWS_1252[byte - 0x80] : 0;
        cutter.put(windows != 0 ? windows : byte);
    }
}

} // namespace

void TextPieces::next(std::string& target) {
    target.clear();
    if (text.empty())
        return;
    const size_t end = text.find('\0', position);
    target.assign(text, position, end - position);
    position = end + 1 == text.size() ? 0 : end + 1;
}

std::vector<std::string> TextPieces::all() const {
    std::vector<std::string> pieces;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\0', start);
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

bool TextPieces::beyondAscii() const {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

void TextPieces::clear() {
    text.clear();
    position = 0;
    leftOut = 0;
}

void TextPieces::add(const char* piece, size_t size) {
    text.append(piece, size);
    text += '\0';
}

void cutText(const char* bytes, size_t size, bool cutShort, TextPieces& pieces) {
    pieces.clear();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    TextCutter cutter(pieces);
    if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        decodeUtf8(p + 3, size - 3, cutShort, cutter, pieces);
    } else if (size >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        decodeUtf16(p + 2, size - 2, p[0] == 0xFE, cutShort, cutter, pieces);
    } else if (validUtf8(p, size, cutShort)) {
        decodeUtf8(p, size, cutShort, cutter, pieces);
    } else {
        decodeLatin1(p, size, cutter);
    }
    cutter.finish();
}

std::string textName(const std::string& name) {
    return name == "-" ? "standard input" : "\"" + name + "\"";
}

bool loadText(const std::string& name, TextPieces& pieces, std::string& error) {
    const bool standardInput = name == "-";
    std::string why;
    std::FILE* file = standardInput ? binaryStandardInput() : openRegularFile(name, &why);
    if (file == nullptr) {
        error = "cannot read " + textName(name) + ": " + why;
        return false;
    }
    // The whole text (up to the limit) in memory, read a chunk at a time.
    std::string bytes;
    bool cutShort = false;
    int readErrno = 0;
    for (;;) {
        const size_t had = bytes.size();
        const size_t want = std::min(WORD_SOURCE_CHUNK * 16, WORD_SOURCE_BYTE_LIMIT - had);
        bytes.resize(had + want);
        const size_t got = std::fread(&bytes[had], 1, want, file);
        bytes.resize(had + got);
        if (got < want) {
            readErrno = errno;
            break;
        }
        if (bytes.size() == WORD_SOURCE_BYTE_LIMIT) {
            cutShort = std::fgetc(file) != EOF;
            break;
        }
    }
    const bool failed = std::ferror(file) != 0;
    if (!standardInput)
        std::fclose(file);
    if (failed) {
        error = "cannot read " + textName(name) + ": " + std::strerror(readErrno);
        return false;
    }
    if (bytes.empty()) {
        error = textName(name) + " is empty";
        return false;
    }
    cutText(bytes.data(), bytes.size(), cutShort, pieces);
    if (pieces.empty()) {
        error = textName(name) + " holds nothing that can be typed";
        return false;
    }
    return true;
}
