#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/gl_recorder.h"
#include "tests/text/tga_file.h"
#include "text/bitmap_font.h"

namespace {

// One glyph quad as drawn: the texture cell it shows and the rectangle it
// covers, read back from a glBegin .. glEnd group of the log.
struct Quad {
    float s0, t0, s1, t1;
    float x0, y0, x1, y1;
};

// The quads of the log in drawing order. Fails the test when a group does
// not have the layout of one glyph: four texture coordinate / vertex pairs
// running counter-clockwise from the lower left corner.
std::vector<Quad> recordedQuads() {
    std::vector<Quad> quads;
    for (size_t i = 0; i < glCallLog.size(); ++i) {
        if (glCallLog[i].name != "glBegin") {
            continue;
        }
        EXPECT_EQ(glCallLog[i].arg(0), GL_QUADS);
        if (i + 9 >= glCallLog.size()) {
            ADD_FAILURE() << "glyph quad cut short";
            break;
        }
        const GlCall* c = &glCallLog[i + 1];
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(c[2 * k].name, "glTexCoord2f");
            EXPECT_EQ(c[2 * k + 1].name, "glVertex2f");
        }
        EXPECT_EQ(glCallLog[i + 9].name, "glEnd");
        Quad q{float(c[0].arg(0)), float(c[0].arg(1)), float(c[4].arg(0)), float(c[4].arg(1)),
               float(c[1].arg(0)), float(c[1].arg(1)), float(c[5].arg(0)), float(c[5].arg(1))};
        // (s1, t0) at (x1, y0) and (s0, t1) at (x0, y1)
        EXPECT_EQ(c[2].arg(0), q.s1);
        EXPECT_EQ(c[2].arg(1), q.t0);
        EXPECT_EQ(c[3].arg(0), q.x1);
        EXPECT_EQ(c[3].arg(1), q.y0);
        EXPECT_EQ(c[6].arg(0), q.s0);
        EXPECT_EQ(c[6].arg(1), q.t1);
        EXPECT_EQ(c[7].arg(0), q.x0);
        EXPECT_EQ(c[7].arg(1), q.y1);
        quads.push_back(q);
        i += 9;
    }
    return quads;
}

// A glyph as the layout sees it: which byte, in which cell.
struct Cell {
    int code, row, column;
    bool operator==(const Cell& other) const {
        return code == other.code && row == other.row && column == other.column;
    }
};

std::ostream& operator<<(std::ostream& out, const Cell& cell) {
    return out << "{code " << cell.code << ", row " << cell.row << ", column " << cell.column
               << "}";
}

// Cells of the recorded quads, for a font with unit cells.
std::vector<Cell> recordedCells() {
    std::vector<Cell> cells;
    for (const Quad& q : recordedQuads()) {
        const int code = int(15 - q.t0 * 16) * 16 + int(q.s0 * 16);
        cells.push_back({code, int(q.y0), int(q.x0)});
        EXPECT_EQ(q.x1 - q.x0, 1.0f);
        EXPECT_EQ(q.y1 - q.y0, 1.0f);
    }
    return cells;
}

class BitmapFontTest : public ::testing::Test {
  protected:
    BitmapFont font;
    void SetUp() override {
        resetGlRecorder();
        font.texture = 7;
    }
};

TEST_F(BitmapFontTest, StartsWithUnitCellsAndNoTexture) {
    BitmapFont fresh;
    EXPECT_EQ(fresh.cellHeight, 1.0f);
    EXPECT_EQ(fresh.cellWidth, 1.0f);
    EXPECT_FALSE(fresh.loaded);
    EXPECT_EQ(fresh.texture, 0u);
}

TEST_F(BitmapFontTest, GlyphIsOneQuadOfFourVerticesFromTheLowerLeftCorner) {
    font.drawGlyph('A', 2, 3);
    const std::vector<std::string> expectedNames = {
        "glBegin",      "glTexCoord2f", "glVertex2f",   "glTexCoord2f", "glVertex2f",
        "glTexCoord2f", "glVertex2f",   "glTexCoord2f", "glVertex2f",   "glEnd"};
    ASSERT_EQ(glCallNames(), expectedNames);
    // 'A' is 65: column 1, row 4 from the top of the sheet.
    const std::vector<std::vector<double>> expectedArgs = {{GL_QUADS}, {1 / 16.0, 11 / 16.0},
                                                           {3, 2},     {2 / 16.0, 11 / 16.0},
                                                           {4, 2},     {2 / 16.0, 12 / 16.0},
                                                           {4, 3},     {1 / 16.0, 12 / 16.0},
                                                           {3, 3},     {}};
    for (size_t i = 0; i < expectedArgs.size(); ++i) {
        EXPECT_EQ(glCallLog[i].args, expectedArgs[i]) << "call " << i;
    }
}

TEST_F(BitmapFontTest, TextureCellsCountRowsFromTheTopOfTheSheet) {
    font.drawGlyph(200, 0, 0);
    font.drawGlyph(0, 0, 0);
    font.drawGlyph(255, 0, 0);
    const std::vector<Quad> quads = recordedQuads();
    ASSERT_EQ(quads.size(), 3u);
    EXPECT_EQ(quads[0].s0, 0.5f);
    EXPECT_EQ(quads[0].t0, 0.1875f);
    EXPECT_EQ(quads[0].s1, 0.5625f);
    EXPECT_EQ(quads[0].t1, 0.25f);
    EXPECT_EQ(quads[1].s0, 0.0f);
    EXPECT_EQ(quads[1].t0, 0.9375f);
    EXPECT_EQ(quads[1].s1, 0.0625f);
    EXPECT_EQ(quads[1].t1, 1.0f);
    EXPECT_EQ(quads[2].s0, 0.9375f);
    EXPECT_EQ(quads[2].t0, 0.0f);
    EXPECT_EQ(quads[2].s1, 1.0f);
    EXPECT_EQ(quads[2].t1, 0.0625f);
}

TEST_F(BitmapFontTest, QuadScalesWithTheCellSize) {
    font.cellWidth = 0.5f;
    font.cellHeight = 2.0f;
    font.drawGlyph('x', -1, 3);
    const std::vector<Quad> quads = recordedQuads();
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_EQ(quads[0].x0, 1.5f);
    EXPECT_EQ(quads[0].x1, 2.0f);
    EXPECT_EQ(quads[0].y0, -2.0f);
    EXPECT_EQ(quads[0].y1, 0.0f);
}

TEST_F(BitmapFontTest, StringBindsTheFontTextureOnceAndDrawsOneQuadPerGlyph) {
    font.drawString("AB");
    ASSERT_FALSE(glCallLog.empty());
    EXPECT_EQ(glCallLog[0].name, "glBindTexture");
    EXPECT_EQ(glCallLog[0].args, (std::vector<double>{GL_TEXTURE_2D, 7}));
    EXPECT_EQ(countGlCalls("glBindTexture"), 1u);
    EXPECT_EQ(countGlCalls("glBegin"), 2u);
    EXPECT_EQ(countGlCalls("glEnd"), 2u);
    EXPECT_EQ(glCallLog.size(), 1u + 2 * 10);
    EXPECT_EQ(recordedCells(), (std::vector<Cell>{{'A', 0, 0}, {'B', 0, 1}}));
}

TEST_F(BitmapFontTest, EmptyStringOnlyBindsTheTexture) {
    font.drawString("");
    ASSERT_EQ(glCallNames(), std::vector<std::string>{"glBindTexture"});
    EXPECT_EQ(glCallLog[0].arg(1), 7.0);
}

TEST_F(BitmapFontTest, TabAndLineFeedMoveTheCursor) {
    struct Case {
        std::string text;
        std::vector<Cell> cells;
    };
    const std::vector<Case> cases = {
        {"A\tB", {{'A', 0, 0}, {'B', 0, 5}}},
        {"\tA", {{'A', 0, 4}}},
        {"AB\tC", {{'A', 0, 0}, {'B', 0, 1}, {'C', 0, 6}}}, // a fixed 4, not a tab stop
        {"A\nB", {{'A', 0, 0}, {'B', -1, 0}}},
        {"AB\n\nC\tD", {{'A', 0, 0}, {'B', 0, 1}, {'C', -2, 0}, {'D', -2, 5}}},
    };
    for (const Case& c : cases) {
        resetGlRecorder();
        font.drawString(c.text);
        EXPECT_EQ(recordedCells(), c.cells) << "text " << testing::PrintToString(c.text);
        EXPECT_EQ(countGlCalls("glColor3f"), 0u);
    }
}

TEST_F(BitmapFontTest, ResultsMessageLaysOutOnTwoLines) {
    font.drawString("\ntoo bad that you got it wrong though!!\n\t12% error");
    const std::vector<Cell> cells = recordedCells();
    const std::string first = "too bad that you got it wrong though!!";
    const std::string second = "12% error";
    ASSERT_EQ(cells.size(), first.size() + second.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(cells[i], (Cell{static_cast<uint8_t>(first[i]), -1, int(i)}));
    }
    for (size_t i = 0; i < second.size(); ++i) {
        EXPECT_EQ(cells[first.size() + i], (Cell{static_cast<uint8_t>(second[i]), -2, 4 + int(i)}));
    }
}

TEST_F(BitmapFontTest, EveryOtherByteIsDrawnAsAGlyph) {
    // carriage return, zero, space, and bytes above 127 included
    const std::string text("\r\0 \x80\xff~", 6);
    font.drawString(text);
    EXPECT_EQ(recordedCells(),
              (std::vector<Cell>{
                  {13, 0, 0}, {0, 0, 1}, {32, 0, 2}, {128, 0, 3}, {255, 0, 4}, {'~', 0, 5}}));
}

TEST_F(BitmapFontTest, ColourEscapeSetsTheColourWithoutTakingACell) {
    font.drawString("#900X");
    ASSERT_EQ(countGlCalls("glColor3f"), 1u);
    EXPECT_EQ(glCallLog[1].name, "glColor3f"); // before the glyph
    EXPECT_EQ(glCallLog[1].args, (std::vector<double>{1.0, 0.0, 0.0}));
    EXPECT_EQ(recordedCells(), (std::vector<Cell>{{'X', 0, 0}}));
}

TEST_F(BitmapFontTest, ColourEscapeBetweenGlyphs) {
    font.drawString("a#000b");
    EXPECT_EQ(glCallNamesExcept({"glTexCoord2f", "glVertex2f"}),
              (std::vector<std::string>{"glBindTexture", "glBegin", "glEnd", "glColor3f", "glBegin",
                                        "glEnd"}));
    EXPECT_EQ(firstGlCall("glColor3f")->args, (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_EQ(recordedCells(), (std::vector<Cell>{{'a', 0, 0}, {'b', 0, 1}}));
}

TEST_F(BitmapFontTest, ColourEscapeDigitsStepByNinths) {
    font.drawString("#999#123#058");
    const std::vector<GlCall> colours = glCallsNamed("glColor3f");
    ASSERT_EQ(colours.size(), 3u);
    EXPECT_EQ(colours[0].args, (std::vector<double>{1.0, 1.0, 1.0}));
    const double ninth = 0.1111111111111111;
    EXPECT_EQ(colours[1].args,
              (std::vector<double>{float(1 * ninth), float(2 * ninth), float(3 * ninth)}));
    EXPECT_EQ(colours[2].args, (std::vector<double>{0.0, float(5 * ninth), float(8 * ninth)}));
    EXPECT_EQ(countGlCalls("glBegin"), 0u);
}

TEST_F(BitmapFontTest, ColourEscapePassesOtherBytesOnAsSignedValues) {
    font.drawString("#/:\x80");
    const GlCall* colour = firstGlCall("glColor3f");
    ASSERT_NE(colour, nullptr);
    const double ninth = 0.1111111111111111;
    EXPECT_EQ(colour->args,
              (std::vector<double>{float(-1 * ninth), float(10 * ninth), float(-176 * ninth)}));
    EXPECT_EQ(countGlCalls("glBegin"), 0u);
}

TEST_F(BitmapFontTest, ColourEscapeCutShortByTheEndDrawsAndSetsNothing) {
    for (const std::string text : {"#", "#1", "#12"}) {
        resetGlRecorder();
        font.drawString(text);
        EXPECT_EQ(glCallNames(), std::vector<std::string>{"glBindTexture"})
            << "text " << testing::PrintToString(text);
    }
    resetGlRecorder();
    font.drawString("AB#12");
    EXPECT_EQ(countGlCalls("glColor3f"), 0u);
    EXPECT_EQ(recordedCells(), (std::vector<Cell>{{'A', 0, 0}, {'B', 0, 1}}));
}

TEST_F(BitmapFontTest, ColourEscapeDoesNotReadPastTheEndOfAShortView) {
    // The bytes after the string's end spell a complete escape; they must
    // not be taken as part of it.
    const std::string storage = "A#12345";
    font.drawString(storage.substr(0, 4));
    EXPECT_EQ(countGlCalls("glColor3f"), 0u);
    EXPECT_EQ(recordedCells(), (std::vector<Cell>{{'A', 0, 0}}));
}

TEST_F(BitmapFontTest, LoadOfAMissingFileMakesNoTextureButSetsTheParameters) {
    BitmapFont fresh;
    fresh.load("no-such-folder/font.tga");
    EXPECT_TRUE(fresh.loaded);
    EXPECT_EQ(fresh.texture, 0u);
    EXPECT_EQ(glCallNames(),
              (std::vector<std::string>{"glTexEnvi", "glTexParameterf", "glTexParameterf",
                                        "glTexParameteri", "glTexParameteri"}));

    resetGlRecorder();
    fresh.drawString("A");
    EXPECT_EQ(firstGlCall("glBindTexture")->arg(1), 0.0);
}

class BitmapFontLoadTest : public BitmapFontTest {
  protected:
    ScratchFolder folder{"font-load"};
};

TEST_F(BitmapFontLoadTest, SecondLoadDeletesTheFirstTextureBeforeMakingTheNext) {
    const std::string sheet = folder.file("sheet.tga");
    writeTga(sheet, 2, 2, 2, 32, std::vector<uint8_t>(16, 255));

    BitmapFont fresh;
    fresh.load(sheet);
    EXPECT_TRUE(fresh.loaded);
    EXPECT_EQ(fresh.texture, 1u);
    EXPECT_EQ(countGlCalls("glDeleteTextures"), 0u);
    EXPECT_EQ(glCallNames(),
              (std::vector<std::string>{"glGenTextures", "glBindTexture", "gluBuild2DMipmaps",
                                        "glTexEnvi", "glTexParameterf", "glTexParameterf",
                                        "glTexParameteri", "glTexParameteri"}));

    glCallLog.clear(); // names keep counting from 2
    fresh.load(sheet);
    ASSERT_GE(glCallLog.size(), 2u);
    EXPECT_EQ(glCallLog[0].name, "glDeleteTextures");
    EXPECT_EQ(glCallLog[0].names, std::vector<GLuint>{1});
    EXPECT_EQ(glCallLog[1].name, "glGenTextures");
    EXPECT_EQ(fresh.texture, 2u);
}

TEST_F(BitmapFontLoadTest, FailedReloadLeavesNoDeletedNameBehind) {
    const std::string sheet = folder.file("sheet.tga");
    writeTga(sheet, 2, 2, 2, 32, std::vector<uint8_t>(16, 255));
    BitmapFont fresh;
    fresh.load(sheet);
    ASSERT_NE(fresh.texture, 0u);
    const GLuint first = fresh.texture;

    resetGlRecorder();
    fresh.load(folder.file("missing.tga"));
    ASSERT_EQ(glCallLog.front().name, "glDeleteTextures");
    EXPECT_EQ(glCallLog.front().names, std::vector<GLuint>{first});
    EXPECT_EQ(countGlCalls("glGenTextures"), 0u);
    EXPECT_EQ(fresh.texture, 0u);
    EXPECT_TRUE(fresh.loaded);
}

} // namespace
