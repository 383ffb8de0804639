// The player's own text (--text): a file cut into pieces to type, each the
// next paragraph, or part of one, in the order of the file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A paragraph longer than this many characters is cut at spaces into pieces
// of about equal length, none longer: about what a player types in one go.
constexpr size_t TEXT_PIECE_LIMIT = 300;

// The pieces of a text, in order, and what was left out of it.
class TextPieces {
  public:
    // Characters of the text that no key types (beyond Latin-1, or control
    // characters), left out of the pieces.
    size_t leftOut = 0;

    bool empty() const { return text.empty(); }
    // Replaces `target` with the next piece: the first, then each one after
    // it, and the first again after the last. Empty when there are none.
    void next(std::string& target);
    // Every piece, in order.
    std::vector<std::string> all() const;
    // Whether any piece holds a character beyond ASCII.
    bool beyondAscii() const;

    void clear();
    void reserve(size_t size);
    // Adds a piece (not empty; it holds no zero byte).
    void add(const char* piece, size_t size);
    // The bytes the pieces take, each with one byte more to end it.
    size_t bytes() const { return text.size(); }

  private:
    // The pieces back to back, each followed by a zero byte (which no piece
    // holds: it is a character no key types).
    std::string text;
    size_t position = 0;
};

// Decodes a text and cuts it into `pieces`. The encoding is told by a
// byte-order mark (UTF-8, UTF-16 LE or BE); without one, text that is valid
// UTF-8 is UTF-8 and anything else Latin-1 (its bytes 0x80 to 0x9F as
// Windows-1252, the punctuation that Windows editors put there). Lines up to
// an empty line make a paragraph, joined by single spaces; runs of white space
// become one space; typographic punctuation becomes what a keyboard types;
// characters beyond Latin-1 are left out and counted. `cutShort` says that
// the bytes are the start of a longer text, whose last character may have
// been cut in two.
void cutText(const char* bytes, size_t size, bool cutShort, TextPieces& pieces);

// Reads the file `name` ("-": standard input), at most the first
// WORD_SOURCE_BYTE_LIMIT bytes of it, and cuts it into `pieces`. False, with
// `error` naming the file and the cause, when it cannot be read, is empty or
// holds nothing that can be typed.
bool loadText(const std::string& name, TextPieces& pieces, std::string& error);

// How messages name the text: "standard input" or the file's name in quotes.
std::string textName(const std::string& name);
