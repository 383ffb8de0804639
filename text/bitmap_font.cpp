#include "text/bitmap_font.h"

#include "text/texture.h"

namespace {

constexpr char TAB = 9;
constexpr char LINE_FEED = 10;
constexpr char COLOUR_ESCAPE = '#';

// One colour escape digit: '0' to '9' map onto 0 to 1. Other bytes give
// values outside that range, which OpenGL clamps.
float escapeComponent(char byte) {
    const int value = static_cast<int8_t>(byte);
    return static_cast<float>((value - 48) * 0.1111111111111111);
}

} // namespace

void BitmapFont::load(std::string fileName) {
    Image sheet;
    sheet.loadFile(fileName.c_str());
    load(sheet);
}

void BitmapFont::load(Image& sheet) {
    if (loaded) {
        glDeleteTextures(1, &texture);
        // The old name is free for reuse by OpenGL; a failed load below must
        // not leave the font drawing with it.
        texture = 0;
    }
    if (sheet.holdsPicture()) {
        createTexture(sheet, &texture, true);
    }
    setTextureParameters();
    loaded = true;
}

void BitmapFont::drawString(std::string text) {
    glBindTexture(GL_TEXTURE_2D, texture);

    int32_t row = 0;
    int32_t column = 0;
    const size_t length = text.size();
    for (size_t i = 0; i < length; ++i) {
        const char byte = text[i];
        if (byte == TAB) {
            column += 4;
        } else if (byte == LINE_FEED) {
            row -= 1;
            column = 0;
        } else if (byte == COLOUR_ESCAPE) {
            // An escape cut short by the end of the text is dropped whole:
            // no glyph, no colour.
            if (length - i <= 3) {
                break;
            }
            glColor3f(escapeComponent(text[i + 1]), escapeComponent(text[i + 2]),
                      escapeComponent(text[i + 3]));
            i += 3;
        } else {
            drawGlyph(static_cast<uint8_t>(byte), row, column);
            column += 1;
        }
    }
}

void BitmapFont::drawGlyph(uint8_t code, int32_t row, int32_t column) {
    const float s0 = static_cast<float>(code % 16) / 16.0f;
    const float s1 = s0 + 1.0f / 16.0f;
    const float t0 = static_cast<float>(15 - code / 16) / 16.0f;
    const float t1 = t0 + 1.0f / 16.0f;

    const float left = static_cast<float>(column);
    const float bottom = static_cast<float>(row);
    const float x0 = left * cellWidth;
    const float x1 = (left + 1.0f) * cellWidth;
    const float y0 = bottom * cellHeight;
    const float y1 = (bottom + 1.0f) * cellHeight;

    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2f(x0, y0);
    glTexCoord2f(s1, t0);
    glVertex2f(x1, y0);
    glTexCoord2f(s1, t1);
    glVertex2f(x1, y1);
    glTexCoord2f(s0, t1);
    glVertex2f(x0, y1);
    glEnd();
}
