#pragma once

#include <array>
#include <cstdint>

#include "gl_subset/primitive_sink.h"

// OpenGL 1's matrix stacks and immediate mode, as the viewer calls them, in plain C++ (the GL
// calls themselves are defined in immediate_mode.cpp, glutSolidSphere among them): two stacks
// of single-precision matrices, 32 deep; a current colour and normal that outlive glBegin and
// glEnd; quads split into triangles, lines in pairs. What becomes of the primitives is the
// business of the sink installed here. Without one they are dropped.
namespace gl_subset {

// Column-major, as OpenGL keeps it.
using Matrix = std::array<float, 16>;

// The sink that the GL calls feed from now on, or null. Not owned.
void setSink(PrimitiveSink* sink);

const Matrix& modelviewMatrix();
const Matrix& projectionMatrix();
// Goes up whenever either matrix above may have changed, so that a sink can keep what it
// derives from them until then.
std::uint64_t matrixVersion();

// glColor's current colour (RGBA) and glLineWidth's width.
const std::array<float, 4>& currentColour();
float currentLineWidth();

// a times b, both column-major, summed in the order OpenGL implementations use.
Matrix multiply(const Matrix& a, const Matrix& b);

// The inverse of m's upper 3 x 3, row-major (entry (row, column) at 3 row + column): a normal
// as a row vector times it is the normal carried by m, with the length it had. The identity
// when m's upper 3 x 3 is singular.
std::array<float, 9> normalMatrixOf(const Matrix& m);

}  // namespace gl_subset
