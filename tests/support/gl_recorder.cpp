#include "tests/support/gl_recorder.h"

#include <algorithm>
#include <initializer_list>

std::vector<GlCall> glCallLog;

namespace {

GLuint nextTextureName = 1;

GlCall& record(const char* name, std::initializer_list<double> args) {
    GlCall call;
    call.name = name;
    call.args.assign(args.begin(), args.end());
    glCallLog.push_back(std::move(call));
    return glCallLog.back();
}

// Components per pixel of the client formats an upload may name; 0 for
// formats the recorder does not copy.
size_t componentsOf(GLenum format) {
    switch (format) {
    case GL_RGB:
        return 3;
    case GL_RGBA:
        return 4;
    case GL_LUMINANCE:
    case GL_ALPHA:
    case GL_RED:
    case GL_GREEN:
    case GL_BLUE:
        return 1;
    case GL_LUMINANCE_ALPHA:
        return 2;
    default:
        return 0;
    }
}

} // namespace

void resetGlRecorder() {
    glCallLog.clear();
    nextTextureName = 1;
}

std::vector<GlCall> glCallsNamed(const std::string& name) {
    std::vector<GlCall> calls;
    for (const GlCall& call : glCallLog) {
        if (call.name == name) {
            calls.push_back(call);
        }
    }
    return calls;
}

size_t countGlCalls(const std::string& name) {
    return static_cast<size_t>(std::count_if(
        glCallLog.begin(), glCallLog.end(), [&](const GlCall& call) { return call.name == name; }));
}

const GlCall* firstGlCall(const std::string& name) {
    for (const GlCall& call : glCallLog) {
        if (call.name == name) {
            return &call;
        }
    }
    return nullptr;
}

const GlCall* lastGlCall(const std::string& name) {
    for (auto it = glCallLog.rbegin(); it != glCallLog.rend(); ++it) {
        if (it->name == name) {
            return &*it;
        }
    }
    return nullptr;
}

std::vector<std::string> glCallNames() {
    return glCallNamesExcept({});
}

std::vector<std::string> glCallNamesExcept(const std::vector<std::string>& ignored) {
    std::vector<std::string> names;
    for (const GlCall& call : glCallLog) {
        if (std::find(ignored.begin(), ignored.end(), call.name) == ignored.end()) {
            names.push_back(call.name);
        }
    }
    return names;
}

// The Windows headers declare these functions as imported from the system
// DLLs; the definitions below take their place in the test programs.
#if defined(_WIN32) && defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wattributes"
#endif

extern "C" {

void APIENTRY glBegin(GLenum mode) {
    record("glBegin", {double(mode)});
}
void APIENTRY glEnd(void) {
    record("glEnd", {});
}
void APIENTRY glTexCoord2f(GLfloat s, GLfloat t) {
    record("glTexCoord2f", {s, t});
}
void APIENTRY glVertex2f(GLfloat x, GLfloat y) {
    record("glVertex2f", {x, y});
}
void APIENTRY glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    record("glColor3f", {red, green, blue});
}
void APIENTRY glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    record("glColor4f", {red, green, blue, alpha});
}

void APIENTRY glBindTexture(GLenum target, GLuint texture) {
    record("glBindTexture", {double(target), double(texture)});
}

void APIENTRY glGenTextures(GLsizei n, GLuint* textures) {
    GlCall& call = record("glGenTextures", {double(n)});
    for (GLsizei i = 0; i < n && textures != nullptr; ++i) {
        textures[i] = nextTextureName++;
        call.names.push_back(textures[i]);
    }
}

void APIENTRY glDeleteTextures(GLsizei n, const GLuint* textures) {
    GlCall& call = record("glDeleteTextures", {double(n)});
    for (GLsizei i = 0; i < n && textures != nullptr; ++i) {
        call.names.push_back(textures[i]);
    }
}

void APIENTRY glTexParameterf(GLenum target, GLenum pname, GLfloat param) {
    record("glTexParameterf", {double(target), double(pname), param});
}
void APIENTRY glTexParameteri(GLenum target, GLenum pname, GLint param) {
    record("glTexParameteri", {double(target), double(pname), double(param)});
}
void APIENTRY glTexEnvi(GLenum target, GLenum pname, GLint param) {
    record("glTexEnvi", {double(target), double(pname), double(param)});
}

GLint APIENTRY gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width, GLsizei height,
                                 GLenum format, GLenum type, const void* data) {
    GlCall& call =
        record("gluBuild2DMipmaps", {double(target), double(internalFormat), double(width),
                                     double(height), double(format), double(type)});
    const size_t components = componentsOf(format);
    if (data == nullptr || width <= 0 || height <= 0 || components == 0) {
        return 0;
    }
    const size_t count = size_t(width) * size_t(height) * components;
    if (type == GL_FLOAT) {
        const float* values = static_cast<const float*>(data);
        call.floatPixels.assign(values, values + count);
    } else if (type == GL_UNSIGNED_BYTE) {
        const uint8_t* values = static_cast<const uint8_t*>(data);
        call.bytePixels.assign(values, values + count);
    }
    return 0;
}

void APIENTRY glPushMatrix(void) {
    record("glPushMatrix", {});
}
void APIENTRY glPopMatrix(void) {
    record("glPopMatrix", {});
}
void APIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    record("glTranslatef", {x, y, z});
}
void APIENTRY glScalef(GLfloat x, GLfloat y, GLfloat z) {
    record("glScalef", {x, y, z});
}
void APIENTRY glClear(GLbitfield mask) {
    record("glClear", {double(mask)});
}
void APIENTRY glMatrixMode(GLenum mode) {
    record("glMatrixMode", {double(mode)});
}
void APIENTRY glLoadIdentity(void) {
    record("glLoadIdentity", {});
}
void APIENTRY glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
                      GLdouble zFar) {
    record("glOrtho", {left, right, bottom, top, zNear, zFar});
}
void APIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    record("glViewport", {double(x), double(y), double(width), double(height)});
}
void APIENTRY glEnable(GLenum capability) {
    record("glEnable", {double(capability)});
}
void APIENTRY glDisable(GLenum capability) {
    record("glDisable", {double(capability)});
}
void APIENTRY glBlendFunc(GLenum sourceFactor, GLenum destinationFactor) {
    record("glBlendFunc", {double(sourceFactor), double(destinationFactor)});
}
void APIENTRY glAlphaFunc(GLenum func, GLclampf ref) {
    record("glAlphaFunc", {double(func), ref});
}
void APIENTRY glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    record("glClearColor", {red, green, blue, alpha});
}
void APIENTRY glShadeModel(GLenum mode) {
    record("glShadeModel", {double(mode)});
}
void APIENTRY glHint(GLenum target, GLenum mode) {
    record("glHint", {double(target), double(mode)});
}
void APIENTRY glFlush(void) {
    record("glFlush", {});
}
void APIENTRY glFinish(void) {
    record("glFinish", {});
}
GLenum APIENTRY glGetError(void) {
    record("glGetError", {});
    return GL_NO_ERROR;
}

} // extern "C"

#if defined(_WIN32)
// Code compiled against the Windows headers calls these functions through
// import slots named __imp_<function>; fill those slots with the
// definitions above so that the linker needs no system DLL for them.
#define TQ_IMPORT_SLOT(function) decltype(&function) __imp_##function = &function;
extern "C" {
TQ_IMPORT_SLOT(glBegin)
TQ_IMPORT_SLOT(glEnd)
TQ_IMPORT_SLOT(glTexCoord2f)
TQ_IMPORT_SLOT(glVertex2f)
TQ_IMPORT_SLOT(glColor3f)
TQ_IMPORT_SLOT(glColor4f)
TQ_IMPORT_SLOT(glBindTexture)
TQ_IMPORT_SLOT(glGenTextures)
TQ_IMPORT_SLOT(glDeleteTextures)
TQ_IMPORT_SLOT(glTexParameterf)
TQ_IMPORT_SLOT(glTexParameteri)
TQ_IMPORT_SLOT(glTexEnvi)
TQ_IMPORT_SLOT(gluBuild2DMipmaps)
TQ_IMPORT_SLOT(glPushMatrix)
TQ_IMPORT_SLOT(glPopMatrix)
TQ_IMPORT_SLOT(glTranslatef)
TQ_IMPORT_SLOT(glScalef)
TQ_IMPORT_SLOT(glClear)
TQ_IMPORT_SLOT(glMatrixMode)
TQ_IMPORT_SLOT(glLoadIdentity)
TQ_IMPORT_SLOT(glOrtho)
TQ_IMPORT_SLOT(glViewport)
TQ_IMPORT_SLOT(glEnable)
TQ_IMPORT_SLOT(glDisable)
TQ_IMPORT_SLOT(glBlendFunc)
TQ_IMPORT_SLOT(glAlphaFunc)
TQ_IMPORT_SLOT(glClearColor)
TQ_IMPORT_SLOT(glShadeModel)
TQ_IMPORT_SLOT(glHint)
TQ_IMPORT_SLOT(glFlush)
TQ_IMPORT_SLOT(glFinish)
TQ_IMPORT_SLOT(glGetError)
} // extern "C"
#undef TQ_IMPORT_SLOT
#endif
