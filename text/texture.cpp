#include "text/texture.h"

namespace {

// 4 x 4 checkerboard uploaded in place of a picture OpenGL cannot take as
// RGB or RGBA, so that a texture always exists once one was asked for.
void makePlaceholder(Image& image) {
    const float white[3] = {1.0f, 1.0f, 1.0f};
    const float magenta[3] = {0.8f, 0.0f, 0.5f};
    image.create(4, 4, FORMAT_RGB);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            image.setPixel((x + y) % 2 == 0 ? white : magenta, x, y);
        }
    }
}

} // namespace

void setTextureParameters() {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    static_cast<GLfloat>(GL_LINEAR_MIPMAP_NEAREST));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

void createTexture(Image& image, GLuint* textureName, bool downward) {
    glGenTextures(1, textureName);
    glBindTexture(GL_TEXTURE_2D, *textureName);

    if (!image.holdsPicture() || (image.channels != 3 && image.channels != 4)) {
        makePlaceholder(image);
    }
    image.fitPowerOfTwo(downward, false);

    // The channel count alone picks the client format; blue-first formats are
    // uploaded as they are stored.
    const GLenum format = image.channels == 3 ? GL_RGB : GL_RGBA;
    gluBuild2DMipmaps(GL_TEXTURE_2D, image.channels, image.width, image.height, format, GL_FLOAT,
                      image.pixels);
}

void createTextureFromFile(const char* fileName, GLuint* textureName) {
    if (fileName == nullptr || textureName == nullptr) {
        return;
    }
    Image image;
    image.loadFile(fileName);
    if (image.holdsPicture()) {
        createTexture(image, textureName, true);
    }
}
