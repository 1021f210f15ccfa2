#pragma once

#include <array>

// OpenGL 1's immediate mode as the viewer uses it (the GL calls themselves are defined in
// begin_end.cpp): a current colour and normal that outlive glBegin and glEnd; quads split into
// triangles, triangles as given, lines in pairs, each block handed whole to the sink at glEnd.
// glGetFloatv reads the current colour, the current normal and the line width.
namespace gl_subset {

// glColor's current colour (RGBA) and glLineWidth's width.
const std::array<float, 4>& currentColour();
float currentLineWidth();

}  // namespace gl_subset
