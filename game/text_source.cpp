#include "game/text_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

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

    // A run of printable ASCII characters other than the space (at most a
    // long paragraph's worth): the bulk of most texts, taken at once.
    void run(const unsigned char* text, size_t size) {
        if (pendingSpace)
            paragraph += ' ';
        pendingSpace = false;
        lastWasReturn = false;
        paragraph.append(reinterpret_cast<const char*>(text), size);
        lineHasText = true;
        if (paragraph.size() > LONG_PARAGRAPH)
            cutFront(2 * TEXT_PIECE_LIMIT);
    }

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

    // A paragraph longer than this is cut while it is read, so that the one
    // being read never holds much more.
    static constexpr size_t LONG_PARAGRAPH = 4 * TEXT_PIECE_LIMIT;

  private:
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
        if (pieces.bytes() + size + 1 <= WORD_SOURCE_BYTE_LIMIT)
            pieces.add(paragraph.data() + start, size);
    }

    TextPieces& pieces;
    std::string paragraph;
    bool pendingSpace = false;
    bool lineHasText = false;
    bool lastWasReturn = false;
};

// How many bytes from p are printable ASCII other than the space, at most
// one long paragraph's worth.
size_t asciiRun(const unsigned char* p, const unsigned char* end) {
    const unsigned char* const stop =
        end - p > ptrdiff_t(TextCutter::LONG_PARAGRAPH) ? p + TextCutter::LONG_PARAGRAPH : end;
    const unsigned char* q = p;
    while (q != stop && *q > ' ' && *q < 0x7F)
        ++q;
    return size_t(q - p);
}

// The length of the UTF-8 sequence at p (at most `left` bytes) and its
// character; 0 when the bytes are no valid sequence, and -1 when they begin
// one that `left` cuts short.
int utf8Sequence(const unsigned char* p, size_t left, uint32_t& code) {
    const unsigned lead = p[0];
    int length = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
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

// How the bytes are read: UTF-8 as a byte-order mark says (a byte that is no
// UTF-8 is a character left out), UTF-8 as a guess (a byte that is no UTF-8
// proves it wrong), UTF-16 either way round, or Latin-1.
enum class Encoding { Utf8, GuessUtf8, Utf16Le, Utf16Be, Latin1 };
constexpr size_t NOT_THIS_ENCODING = SIZE_MAX;

// Decodes bytes in `encoding` for the cutter. Returns how many were used:
// all but a last character cut short when `more` bytes follow; or
// NOT_THIS_ENCODING.
size_t decode(Encoding encoding, const unsigned char* p, size_t size, bool more, TextCutter& cutter,
              TextPieces& pieces) {
    const unsigned char* const start = p;
    const unsigned char* const end = p + size;
    if (encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be) {
        const bool big = encoding == Encoding::Utf16Be;
        const auto unitAt = [big](const unsigned char* q) {
            return big ? uint32_t(q[0]) << 8 | q[1] : uint32_t(q[1]) << 8 | q[0];
        };
        for (; end - p >= 2; p += 2) {
            const uint32_t unit = unitAt(p);
            if (unit < 0xD800 || unit > 0xDFFF) {
                cutter.put(unit);
                continue;
            }
            if (unit <= 0xDBFF && end - p < 4 && more)
                return size_t(p - start);
            // A character beyond the first 65536, whole or not: no key types it.
            if (unit <= 0xDBFF && end - p >= 4 && unitAt(p + 2) >= 0xDC00 &&
                unitAt(p + 2) <= 0xDFFF)
                p += 2;
            ++pieces.leftOut;
        }
        if (p != end && !more) {
            ++pieces.leftOut;
            ++p;
        }
        return size_t(p - start);
    }
    while (p != end) {
        const size_t ascii = asciiRun(p, end);
        if (ascii > 0) {
            cutter.run(p, ascii);
            p += ascii;
            continue;
        }
        if (*p < 0x80 || encoding == Encoding::Latin1) {
            const uint32_t byte = *p++;
            const uint32_t windows = byte >= 0x80 && byte < 0xA0 ? WINDOWS_1252[byte - 0x80] : 0;
            cutter.put(windows != 0 ? windows : byte);
            continue;
        }
        uint32_t code = 0;
        const int length = utf8Sequence(p, size_t(end - p), code);
        if (length == -1 && more)
            break;
        if (length <= 0) {
            if (encoding == Encoding::GuessUtf8)
                return NOT_THIS_ENCODING;
            ++pieces.leftOut;
            ++p;
            continue;
        }
        cutter.put(code);
        p += length;
    }
    return size_t(p - start);
}

// Where the text's bytes come from: a file, or bytes in memory; either can
// be read again from the start. Reading stops at the reading limit.
class ByteSource {
  public:
    // A file read from `start`, or bytes in memory (`endsShort`: the start of
    // a longer text).
    ByteSource(std::FILE* file, long start, const std::string* memory, bool endsShort)
        : cutShort(endsShort), file(file), start(start), memory(memory), endsShort(endsShort) {}

    // Up to `size` bytes; 0 at the end of the text.
    size_t read(unsigned char* buffer, size_t size) {
        size_t got = 0;
        const size_t want = std::min(size, left);
        if (memory != nullptr) {
            got = std::min(want, memory->size() - offset);
            std::memcpy(buffer, memory->data() + offset, got);
        } else {
            got = std::fread(buffer, 1, want, file);
            readErrno = got < want && std::ferror(file) ? errno : readErrno;
        }
        offset += got;
        left -= got;
        if (left == 0 && want > 0 && !cutShort)
            cutShort = memory != nullptr ? offset < memory->size() : std::fgetc(file) != EOF;
        return got;
    }

    bool restart() {
        offset = 0;
        left = WORD_SOURCE_BYTE_LIMIT;
        cutShort = endsShort;
        return memory != nullptr || std::fseek(file, start, SEEK_SET) == 0;
    }

    size_t bytesRead() const { return offset; }

    // The text goes on beyond the bytes read.
    bool cutShort;
    int readErrno = 0;

  private:
    std::FILE* file;
    const long start;
    const std::string* memory;
    const bool endsShort;
    size_t offset = 0;
    size_t left = WORD_SOURCE_BYTE_LIMIT;
};

// Decodes the whole source into `pieces`; false when the guess that it is
// UTF-8 (made when no byte-order mark tells) was wrong.
bool decodeAll(ByteSource& source, bool guess, TextPieces& pieces) {
    pieces.clear();
    TextCutter cutter(pieces);
    // Room after a chunk for the start of a character cut in two.
    constexpr size_t CAPACITY = WORD_SOURCE_CHUNK + 4;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[CAPACITY]);
    unsigned char* const p = buffer.get();
    Encoding encoding = guess ? Encoding::GuessUtf8 : Encoding::Latin1;
    size_t held = 0;
    for (bool first = true;; first = false) {
        const size_t got = source.read(p + held, CAPACITY - held);
        held += got;
        size_t start = 0;
        if (first && held >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
            encoding = Encoding::Utf8;
            start = 3;
        } else if (first && held >= 2 &&
                   ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
            encoding = p[0] == 0xFF ? Encoding::Utf16Le : Encoding::Utf16Be;
            start = 2;
        }
        const size_t used =
            decode(encoding, p + start, held - start, got > 0 || source.cutShort, cutter, pieces);
        if (used == NOT_THIS_ENCODING)
            return false;
        // What was not used (the start of a character) goes to the front.
        held -= start + used;
        std::memmove(p, p + start + used, held);
        if (got == 0)
            break;
    }
    cutter.finish();
    return true;
}

// Decodes the source as UTF-8, or when it is not, again as Latin-1.
void decodeText(ByteSource& source, TextPieces& pieces) {
    if (!decodeAll(source, true, pieces) && source.restart())
        decodeAll(source, false, pieces);
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

void TextPieces::reserve(size_t size) {
    text.reserve(size);
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
    const std::string memory(bytes, size);
    ByteSource source(nullptr, 0, &memory, cutShort);
    decodeText(source, pieces);
}

std::string textName(const std::string& name) {
    return name == "-" ? "standard input" : "\"" + name + "\"";
}

bool loadText(const std::string& name, TextPieces& pieces, std::string& error) {
    const bool standardInput = name == "-";
    bool regularFile = !standardInput;
    std::string why;
    std::FILE* file =
        standardInput ? binaryStandardInput(regularFile) : openRegularFile(name, &why);
    if (file == nullptr) {
        error = "cannot read " + textName(name) + ": " + why;
        return false;
    }
    // A file (standard input too, when it is one) is read again from where
    // it started when it turns out not to be UTF-8. Anything else cannot be:
    // what the reading limit lets in is kept.
    const long start = regularFile ? std::ftell(file) : -1;
    std::string memory;
    bool endsShort = false;
    int readErrno = 0;
    if (start < 0) {
        // Room for all the reading limit lets in: only what is read takes memory.
        memory.reserve(WORD_SOURCE_BYTE_LIMIT);
        std::unique_ptr<char[]> chunk(new char[WORD_SOURCE_CHUNK]);
        size_t got = 0;
        while (
            memory.size() < WORD_SOURCE_BYTE_LIMIT &&
            (got = std::fread(chunk.get(), 1,
                              std::min(WORD_SOURCE_CHUNK, WORD_SOURCE_BYTE_LIMIT - memory.size()),
                              file)) > 0) {
            memory.append(chunk.get(), got);
        }
        readErrno = errno;
        endsShort = memory.size() == WORD_SOURCE_BYTE_LIMIT && std::fgetc(file) != EOF;
        pieces.reserve(memory.size() + 1);
    } else {
        // The pieces take about as many bytes as the file: room for them at once.
        const long end = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
        std::fseek(file, start, SEEK_SET);
        pieces.reserve(end < start ? WORD_SOURCE_BYTE_LIMIT
                                   : std::min(size_t(end - start) + 1, WORD_SOURCE_BYTE_LIMIT));
    }
    ByteSource source(start < 0 ? nullptr : file, start, start < 0 ? &memory : nullptr, endsShort);
    if (std::ferror(file) == 0)
        decodeText(source, pieces);
    const bool failed = std::ferror(file) != 0;
    readErrno = source.readErrno != 0 ? source.readErrno : readErrno;
    if (!standardInput)
        std::fclose(file);
    if (failed) {
        error = "cannot read " + textName(name) + ": " + std::strerror(readErrno);
        return false;
    }
    if (source.bytesRead() == 0) {
        error = textName(name) + " is empty";
        return false;
    }
    if (pieces.empty()) {
        error = textName(name) + " holds nothing that can be typed";
        return false;
    }
    return true;
}
