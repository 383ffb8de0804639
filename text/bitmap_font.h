// BitmapFont: text drawn as textured quads from a 16 x 16 glyph sheet.
#pragma once

#include <cstdint>
#include <string>

#include "platform/opengl.h"

class Image;

class BitmapFont {
  public:
    float cellHeight = 1.0f;
    float cellWidth = 1.0f;
    bool loaded = false;
    GLuint texture = 0;

    // Builds the glyph texture from an image file, or from a glyph sheet
    // already read (which the texture's making may resample); without a
    // picture there is no texture.
    void load(std::string fileName);
    void load(Image& sheet);
    // Draws `text` from the current model-view origin; tab, line feed and
    // "#rgb" colour escapes are in-band controls.
    void drawString(std::string text);
    void drawGlyph(uint8_t code, int32_t row, int32_t column);
};
