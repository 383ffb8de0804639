#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/text_source.h"
#include "game/word_sources.h"
#include "tests/support/test_files.h"

namespace {

using Pieces = std::vector<std::string>;
using namespace std::string_literals;

Pieces piecesOf(const std::string& bytes, size_t& leftOut, bool cutShort = false) {
    TextPieces pieces;
    cutText(bytes.data(), bytes.size(), cutShort, pieces);
    leftOut = pieces.leftOut;
    return pieces.all();
}

// Texts as the player's files hold them, and the pieces (in the game's
// Latin-1 bytes) that they become.
TEST(TextPieces, LinesEncodingsAndPunctuationBecomeWhatAKeyboardTypes) {
    const struct {
        const char* what;
        std::string bytes;
        Pieces pieces;
        size_t leftOut;
        bool cutShort;
    } cases[] = {
        {"paragraphs",
         "One line\nand  the\tnext \n\nSecond\n",
         {"One line and the next", "Second"},
         0,
         false},
        {"line ends", "a\r\nb\r\n\r\nc\rd\r\re", {"a b", "c d", "e"}, 0, false},
        {"blank lines of white space", "\n\n \t\n a \n \t \n\n\nb\n\n", {"a", "b"}, 0, false},
        {"UTF-8 with a byte-order mark, typographic punctuation",
         "\xEF\xBB\xBF\xE2\x80\x9CHi\xE2\x80\x9D\xE2\x80\x94it\xE2\x80\x99s\xE2\x80\xA6 "
         "\xE2\x80\x98ok\xE2\x80\x99 \xE2\x80\x93 a\xC2\xA0"
         "b soft\xC2\xADhyphen \xE2\x88\x92"
         "1 \xC2\xABqu\xC2\xBB \xE2\x80\x9E"
         "de\xE2\x80\x9C",
         {"\"Hi\"-it's... 'ok' - a b softhyphen -1 \"qu\" \"de\""},
         0,
         false},
        {"Latin-1 letters, ligatures",
         "\xC3\xA9t\xC3\xA9 \xC3\x87"
         "a \xEF\xAC\x81n c\xC5\x93ur",
         {"\xE9t\xE9 \xC7"
          "a fin coeur"},
         0,
         false},
        {"characters no key types",
         "a\xE2\x82\xAC"
         "b \xE4\xB8\xAD\xE6\x96\x87 c\x01"
         "d\x1A\x00"s,
         {"ab cd"},
         6,
         false},
        {"a line of them still joins its neighbours", "a\n\xE4\xB8\xAD\nb", {"a b"}, 1, false},
        {"decomposed letters",
         "Cafe\xCC\x81 nai\xCC\x88ve x\xCC\x81 \xCC\x81",
         {"Caf\xE9 na\xEFve x"},
         2,
         false},
        {"separators",
         "a\xE2\x80\xA8"
         "b\xE2\x80\xA9"
         "c\xE2\x80\x83\xE2\x80\x8B"
         "d",
         {"a b", "c d"},
         0,
         false},
        {"UTF-16 LE",
         std::string("\xFF\xFE\xE9\x00\x19\x20"
                     "a\x00\n\x00\n\x00"
                     "b\x00"
                     "\x3D\xD8\x00\xDE\x00\xDC",
                     20),
         {"\xE9'a", "b"},
         2,
         false},
        {"UTF-16 BE",
         std::string("\xFE\xFF\x00"
                     "a\x20\x26\x00\xE7\x00",
                     9),
         {"a...\xE7"},
         1,
         false},
        {"not UTF-8: Latin-1, Windows-1252 punctuation",
         "caf\xE9 \x93quoted\x94\x85 \x96 \x80\x81 \xA0x",
         {"caf\xE9 \"quoted\"... - x"},
         2,
         false},
        {"a character cut in two at the end of a longer text",
         "ab \xC3\xA9\xC3",
         {"ab \xE9"},
         0,
         true},
        {"the same at the end of the whole text", "ab \xC3\xA9\xC3", {"ab \xC3\xA9\xC3"}, 0, false},
        {"UTF-16 cut in two",
         std::string("\xFF\xFE"
                     "a\x00\x3D\xD8"
                     "b",
                     7),
         {"a"},
         0,
         true},
        {"nothing typeable", "\xE4\xB8\xAD \n\n \t", {}, 1, false},
    };
    for (const auto& c : cases) {
        size_t leftOut = 0;
        EXPECT_EQ(piecesOf(c.bytes, leftOut, c.cutShort), c.pieces) << c.what;
        EXPECT_EQ(leftOut, c.leftOut) << c.what;
    }
}

// A paragraph of `words` words of the given lengths (cycling), one space apart.
std::string paragraphOf(size_t words, const std::vector<size_t>& lengths) {
    std::string text;
    for (size_t i = 0; i < words; ++i) {
        text += (i == 0 ? "" : " ") + std::string(lengths[i % lengths.size()], char('a' + i % 26));
    }
    return text;
}

TEST(TextPieces, LongParagraphsAreCutAtSpacesIntoPiecesOfAboutEqualLength) {
    size_t leftOut = 0;
    // 61 words of four letters, 304 characters: two pieces near the middle.
    const std::string two = paragraphOf(61, {4});
    const Pieces halves = piecesOf(two, leftOut);
    ASSERT_EQ(halves.size(), 2u);
    EXPECT_EQ(halves[0].size(), 154u);
    EXPECT_EQ(halves[0] + " " + halves[1], two);

    // Paragraphs of every size up to many pieces, read a line at a time: no
    // piece is longer than the limit, none ends or starts with a space, and
    // the pieces joined by spaces are the paragraph.
    for (const size_t words : {1, 60, 62, 130, 2000, 20000}) {
        const std::string paragraph = paragraphOf(words, {1, 7, 3, 12, 5, 2, 9});
        std::string lines = paragraph;
        for (size_t i = 40; i < lines.size(); i += 41) {
            if (lines[i] == ' ')
                lines[i] = '\n';
        }
        const Pieces pieces = piecesOf("\n" + lines + "\n\nnext", leftOut);
        ASSERT_GE(pieces.size(), 2u);
        EXPECT_EQ(pieces.back(), "next");
        std::string joined;
        for (size_t i = 0; i + 1 < pieces.size(); ++i) {
            const std::string& piece = pieces[i];
            EXPECT_LE(piece.size(), TEXT_PIECE_LIMIT) << words;
            EXPECT_TRUE(!piece.empty() && piece.front() != ' ' && piece.back() != ' ') << words;
            joined += (i == 0 ? "" : " ") + piece;
        }
        EXPECT_EQ(joined, paragraph) << words;
        if (pieces.size() == 3) {
            EXPECT_NEAR(double(pieces[0].size()), double(pieces[1].size()), 13.0) << words;
        }
    }

    // A word longer than the limit is cut inside it.
    const std::string word(700, 'w');
    const Pieces cut = piecesOf("a " + word, leftOut);
    ASSERT_EQ(cut.size(), 4u);
    EXPECT_EQ(cut[0], "a");
    EXPECT_EQ(cut[1] + cut[2] + cut[3], word);
    EXPECT_LE(cut[1].size(), TEXT_PIECE_LIMIT);
}

TEST(TextPieces, EachTargetIsTheNextPieceAndTheFirstFollowsTheLast) {
    TextPieces pieces;
    const std::string text = "one\n\ntwo\n\nthree";
    cutText(text.data(), text.size(), false, pieces);
    std::string target = "before";
    std::vector<std::string> targets;
    for (int i = 0; i < 7; ++i) {
        pieces.next(target);
        targets.push_back(target);
    }
    EXPECT_EQ(targets, (Pieces{"one", "two", "three", "one", "two", "three", "one"}));
    EXPECT_FALSE(pieces.beyondAscii());
}

TEST(TextPieces, FilesThatCannotBePlayedSayWhy) {
    TempFolder folder;
    WorkingDirectory inFolder(folder.path);
    folder.write("empty.txt", "");
    folder.write("blank.txt", "\n \t\n\xE2\x80\x83\n");
    std::filesystem::create_directory(folder.path / "folder");
    const struct {
        const char* name;
        const char* error;
    } cases[] = {
        {"missing.txt", "cannot read \"missing.txt\": No such file or directory"},
        {"folder", "cannot read \"folder\": Is a directory"},
        {"empty.txt", "\"empty.txt\" is empty"},
        {"blank.txt", "\"blank.txt\" holds nothing that can be typed"},
    };
    for (const auto& c : cases) {
        TextPieces pieces;
        std::string error;
        EXPECT_FALSE(loadText(c.name, pieces, error)) << c.name;
        EXPECT_EQ(error, c.error);
    }
}

TEST(TextPieces, OnlyTheStartOfAHugeFileIsReadAndItsEncodingSurvivesTheCut) {
    TempFolder folder;
    // One letter, then e acutes (two bytes each) past the reading limit: the
    // limit falls between the two bytes of one.
    std::string text = "a";
    text.reserve(WORD_SOURCE_BYTE_LIMIT + 4);
    while (text.size() < WORD_SOURCE_BYTE_LIMIT + 2)
        text += "\xC3\xA9";
    ASSERT_EQ(text[WORD_SOURCE_BYTE_LIMIT - 1], '\xC3');
    const std::string path = folder.write("huge.txt", text);
    text = std::string();
    TextPieces pieces;
    std::string error;
    ASSERT_TRUE(loadText(path, pieces, error)) << error;
    EXPECT_EQ(pieces.leftOut, 0u);
    EXPECT_LE(pieces.bytes(), WORD_SOURCE_BYTE_LIMIT);
    std::string target;
    pieces.next(target);
    EXPECT_EQ(target.substr(0, 3), "a\xE9\xE9");
    EXPECT_TRUE(pieces.beyondAscii());
}

} // namespace
