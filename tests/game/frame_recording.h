// Reads back what a frame drew from the recorded GL calls: each glyph quad
// with its byte, its cell's lower left corner and the colour it was drawn in.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/gl_recorder.h"

struct DrawnGlyph {
    int byte;
    double x, y;
    double red, green, blue;
};

inline std::vector<DrawnGlyph> drawnGlyphs() {
    std::vector<DrawnGlyph> glyphs;
    std::vector<double> stackX{0.0}, stackY{0.0};
    double red = 1, green = 1, blue = 1;
    bool firstVertex = false;
    double s0 = 0, t0 = 0;
    for (const GlCall& call : glCallLog) {
        if (call.name == "glLoadIdentity") {
            stackX.back() = stackY.back() = 0.0;
        } else if (call.name == "glPushMatrix") {
            stackX.push_back(stackX.back());
            stackY.push_back(stackY.back());
        } else if (call.name == "glPopMatrix") {
            stackX.pop_back();
            stackY.pop_back();
        } else if (call.name == "glTranslatef") {
            stackX.back() += call.arg(0);
            stackY.back() += call.arg(1);
        } else if (call.name == "glColor3f") {
            red = call.arg(0);
            green = call.arg(1);
            blue = call.arg(2);
        } else if (call.name == "glBegin") {
            firstVertex = true;
        } else if (call.name == "glTexCoord2f" && firstVertex) {
            s0 = call.arg(0);
            t0 = call.arg(1);
        } else if (call.name == "glVertex2f" && firstVertex) {
            firstVertex = false;
            const int column = static_cast<int>(std::lround(s0 * 16));
            const int row = 15 - static_cast<int>(std::lround(t0 * 16));
            glyphs.push_back({row * 16 + column, stackX.back() + call.arg(0),
                              stackY.back() + call.arg(1), red, green, blue});
        }
    }
    return glyphs;
}

// The glyphs drawn with their cell's bottom at height y, left to right.
inline std::vector<DrawnGlyph> glyphsOnRow(const std::vector<DrawnGlyph>& glyphs, double y) {
    std::vector<DrawnGlyph> row;
    for (const DrawnGlyph& glyph : glyphs)
        if (std::fabs(glyph.y - y) < 1e-4)
            row.push_back(glyph);
    return row;
}

inline std::string textOf(const std::vector<DrawnGlyph>& glyphs) {
    std::string text;
    for (const DrawnGlyph& glyph : glyphs)
        text += static_cast<char>(glyph.byte);
    return text;
}
