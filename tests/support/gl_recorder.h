// A recording stand-in for the OpenGL and GLU functions the game calls.
//
// Test executables link tq_gl_recorder instead of the real GL libraries.
// Every call made through the stand-in is appended to glCallLog with its
// function name and its arguments converted to doubles, in the order of the
// function's parameter list. Pointer arguments are not recorded as numbers:
//   glGenTextures(n, names)        args {n}; fills names with fresh names
//                                  (1, 2, 3, ... since the last reset) and
//                                  records them in `names`
//   glDeleteTextures(n, names)     args {n}; the deleted names in `names`
//   gluBuild2DMipmaps(target, components, width, height, format, type, data)
//                                  args {target, components, width, height,
//                                  format, type}; a copy of the data in
//                                  `floatPixels` (GL_FLOAT) or `bytePixels`
//                                  (GL_UNSIGNED_BYTE), width x height x the
//                                  format's component count values
// Functions with a result return 0 (gluBuild2DMipmaps, glGetError).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/opengl.h"

class GlCall {
  public:
    std::string name;
    std::vector<double> args;
    std::vector<GLuint> names;       // glGenTextures, glDeleteTextures
    std::vector<float> floatPixels;  // gluBuild2DMipmaps with GL_FLOAT
    std::vector<uint8_t> bytePixels; // gluBuild2DMipmaps with GL_UNSIGNED_BYTE

    // Argument `index`, or -1 when the call has fewer arguments.
    double arg(size_t index) const { return index < args.size() ? args[index] : -1.0; }
};

// Every recorded call, oldest first.
extern std::vector<GlCall> glCallLog;

// Empties the log and restarts texture names at 1.
void resetGlRecorder();

// Calls with the given function name, in order.
std::vector<GlCall> glCallsNamed(const std::string& name);
// Number of calls with the given function name.
size_t countGlCalls(const std::string& name);
// The first / last call with that name, or nullptr.
const GlCall* firstGlCall(const std::string& name);
const GlCall* lastGlCall(const std::string& name);
// Function names of the whole log, in order.
std::vector<std::string> glCallNames();
// Function names of the calls not in `ignored`, in order.
std::vector<std::string> glCallNamesExcept(const std::vector<std::string>& ignored);
