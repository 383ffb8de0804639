// Draws glyphs through a real OpenGL context (Mesa's software renderer behind
// SDL's offscreen video driver, no display needed) and checks the pixels.
#include <gtest/gtest.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/text/tga_file.h"
#include "text/bitmap_font.h"
#include "text/texture.h"

#if defined(__SANITIZE_ADDRESS__)
#define TAPQUILL_WITH_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAPQUILL_WITH_LSAN 1
#endif
#endif
#ifdef TAPQUILL_WITH_LSAN
#include <sanitizer/lsan_interface.h>
#endif

namespace {

constexpr int WINDOW_WIDTH = 640;
constexpr int WINDOW_HEIGHT = 480;
constexpr int CELL_PIXELS = 16; // 640 / 40 and 480 / 30

struct Rgb {
    int r, g, b;
};

// The colour buffer read back after a frame; (0, 0) is the bottom left pixel.
class Frame {
  public:
    std::vector<uint8_t> bytes;

    Frame() : bytes(size_t(WINDOW_WIDTH) * WINDOW_HEIGHT * 4) {
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    }
    Rgb at(int x, int y) const {
        const uint8_t* p = &bytes[(size_t(y) * WINDOW_WIDTH + size_t(x)) * 4];
        return {p[0], p[1], p[2]};
    }
    bool lit(int x, int y) const {
        const Rgb c = at(x, y);
        return c.r != 0 || c.g != 0 || c.b != 0;
    }
};

// A rectangle of pixels, both ends included.
struct PixelBox {
    int left, bottom, right, top;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

// Pixels of the screen cell at (column, row) of the 40 x 30 grid.
PixelBox cellBox(int column, int row) {
    return {column * CELL_PIXELS, row * CELL_PIXELS, column * CELL_PIXELS + CELL_PIXELS - 1,
            row * CELL_PIXELS + CELL_PIXELS - 1};
}

// Lit pixels that lie in none of the boxes.
int litOutside(const Frame& frame, const std::vector<PixelBox>& boxes) {
    int count = 0;
    for (int y = 0; y < WINDOW_HEIGHT; ++y) {
        for (int x = 0; x < WINDOW_WIDTH; ++x) {
            if (!frame.lit(x, y)) {
                continue;
            }
            bool inside = false;
            for (const PixelBox& box : boxes) {
                inside = inside || box.contains(x, y);
            }
            count += inside ? 0 : 1;
        }
    }
    return count;
}

// Pixels of the box whose colour is not `expected` (1 step of rounding
// allowed per component).
int pixelsNotOfColour(const Frame& frame, const PixelBox& box, Rgb expected) {
    int count = 0;
    for (int y = box.bottom; y <= box.top; ++y) {
        for (int x = box.left; x <= box.right; ++x) {
            const Rgb c = frame.at(x, y);
            if (std::abs(c.r - expected.r) > 1 || std::abs(c.g - expected.g) > 1 ||
                std::abs(c.b - expected.b) > 1) {
                ++count;
            }
        }
    }
    return count;
}

// A 128 x 128 glyph sheet of 8 x 8 texel cells, written as a 32-bit TGA with
// its bottom row first. White everywhere; the shape is in alpha. The cell
// of 'A' is opaque in its lower left quarter only, every other cell in its
// upper right quarter only, so a glyph taken from the wrong cell, or a sheet
// read upside down, lights the wrong quarter of the screen cell.
void writeQuarterSheet(const std::string& fileName) {
    const int size = 128;
    const int cell = 8;
    std::vector<uint8_t> data;
    for (int y = 0; y < size; ++y) { // picture rows from the bottom
        for (int x = 0; x < size; ++x) {
            const int code = (15 - y / cell) * 16 + x / cell;
            const bool left = x % cell < cell / 2;
            const bool lower = y % cell < cell / 2;
            const bool opaque = code == 'A' ? (left && lower) : (!left && !lower);
            data.insert(data.end(), {255, 255, 255, uint8_t(opaque ? 255 : 0)});
        }
    }
    writeTga(fileName, 2, size, size, 32, data);
}

class FontRenderTest : public ::testing::Test {
  protected:
    static SDL_Window* window;
    static SDL_GLContext context;

    static void SetUpTestSuite() {
#ifdef TAPQUILL_WITH_LSAN
        // The GL driver keeps allocations past its unloading; they are not ours.
        __lsan_disable();
#endif
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            return;
        }
        window = SDL_CreateWindow("Tapquill", 0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, SDL_WINDOW_OPENGL);
        if (window != nullptr) {
            context = SDL_GL_CreateContext(window);
        }
    }

    static void TearDownTestSuite() {
        if (context != nullptr) {
            SDL_GL_DeleteContext(context);
        }
        if (window != nullptr) {
            SDL_DestroyWindow(window);
        }
        context = nullptr;
        window = nullptr;
        SDL_Quit();
#ifdef TAPQUILL_WITH_LSAN
        __lsan_enable();
#endif
    }

    ScratchFolder folder{"font-render"};
    BitmapFont font;

    void SetUp() override {
        ASSERT_NE(context, nullptr) << "no OpenGL context: " << SDL_GetError();
        SDL_GL_MakeCurrent(window, context);
        // The game's fixed render state and its 40 x 30 frame projection.
        glViewport(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glEnable(GL_TEXTURE_2D);
        setTextureParameters();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.5f);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 40, 0, 30, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    void TearDown() override {
        if (font.texture != 0) {
            glDeleteTextures(1, &font.texture);
        }
    }

    // Clears, then draws `text` from cell (column, row) in `colour`.
    void drawFrame(const std::string& text, float column, float row, Rgb colour) {
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f);
        glPushMatrix();
        glTranslatef(column, row, 0.0f);
        font.drawString(text);
        glPopMatrix();
    }
};

SDL_Window* FontRenderTest::window = nullptr;
SDL_GLContext FontRenderTest::context = nullptr;

TEST_F(FontRenderTest, GlyphAppearsInItsCellInTheColourItWasDrawnWith) {
    const std::string sheet = folder.file("quarters.tga");
    writeQuarterSheet(sheet);
    font.load(sheet);
    ASSERT_NE(font.texture, 0u);

    // 'A' in the caller's white at column 10, then a blue 'A' at column 11.
    drawFrame("A#009A", 10, 5, {255, 255, 255});
    const Frame frame;

    // Lower left quarter of each cell, less the one-pixel rim where the
    // filtered alpha falls off.
    const PixelBox whiteQuarter = {161, 81, 166, 86};
    const PixelBox blueQuarter = {177, 81, 182, 86};
    EXPECT_EQ(pixelsNotOfColour(frame, whiteQuarter, {255, 255, 255}), 0);
    EXPECT_EQ(pixelsNotOfColour(frame, blueQuarter, {0, 0, 255}), 0);
    // Nothing outside those quarters (rim included), neither in the other
    // three quarters of the two cells nor anywhere else.
    EXPECT_EQ(litOutside(frame, {{160, 80, 167, 87}, {176, 80, 183, 87}}), 0);
}

TEST_F(FontRenderTest, EscapeColourModulatesTheWhiteGlyph) {
    const std::string sheet = folder.file("quarters.tga");
    writeQuarterSheet(sheet);
    font.load(sheet);

    // "#940" is red 1, green 4/9, blue 0.
    drawFrame("\n#940A", 3, 7, {255, 255, 255});
    const Frame frame;
    const PixelBox quarter = {3 * 16 + 1, 6 * 16 + 1, 3 * 16 + 6, 6 * 16 + 6};
    EXPECT_EQ(pixelsNotOfColour(frame, quarter, {255, 113, 0}), 0);
    EXPECT_EQ(litOutside(frame, {{48, 96, 55, 103}}), 0);
}

TEST_F(FontRenderTest, MissingSheetDrawsSolidCells) {
    font.load(folder.file("missing.tga"));
    EXPECT_EQ(font.texture, 0u);

    drawFrame("#090A", 2, 3, {255, 255, 255});
    const Frame frame;
    EXPECT_EQ(pixelsNotOfColour(frame, cellBox(2, 3), {0, 255, 0}), 0);
    EXPECT_EQ(litOutside(frame, {cellBox(2, 3)}), 0);
}

TEST_F(FontRenderTest, ShippedSheetDrawsLetterShapesAndBlankSpace) {
    const std::string sheet = std::string(TAPQUILL_DATA_DIR) + "/font.tga";
    if (!std::filesystem::exists(sheet)) {
        GTEST_SKIP() << sheet << " is not there";
    }
    font.load(sheet);
    ASSERT_NE(font.texture, 0u);

    drawFrame("#909A", 20, 15, {255, 255, 255});
    const Frame frame;
    const PixelBox cell = cellBox(20, 15);
    EXPECT_EQ(litOutside(frame, {cell}), 0);
    int lit = 0;
    for (int y = cell.bottom; y <= cell.top; ++y) {
        for (int x = cell.left; x <= cell.right; ++x) {
            if (!frame.lit(x, y)) {
                continue;
            }
            ++lit;
            // white texels times magenta, possibly faded by blending
            const Rgb c = frame.at(x, y);
            EXPECT_EQ(c.g, 0) << x << ", " << y;
            EXPECT_LE(std::abs(c.r - c.b), 1) << x << ", " << y;
        }
    }
    // a letter: some of the cell, not all of it
    EXPECT_GT(lit, CELL_PIXELS * CELL_PIXELS / 20);
    EXPECT_LT(lit, CELL_PIXELS * CELL_PIXELS * 9 / 10);

    drawFrame(" ", 20, 15, {255, 255, 255});
    EXPECT_EQ(litOutside(Frame(), {}), 0);
}

} // namespace
