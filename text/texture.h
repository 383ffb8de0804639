// Textures made from image files, and the texture state all text uses.
#pragma once

#include "image/image.h"
#include "platform/opengl.h"

void setTextureParameters();
void createTexture(Image& image, GLuint* textureName, bool downward);
void createTextureFromFile(const char* fileName, GLuint* textureName);
