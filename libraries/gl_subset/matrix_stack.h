#pragma once

#include <array>
#include <cstdint>

// OpenGL 1's two matrix stacks as the viewer uses them (the GL calls themselves are defined in
// matrix_stack.cpp): single-precision matrices, 32 entries deep each, the modelview and the
// projection, and which of the two the matrix calls change.
namespace gl_subset {

// Column-major, as OpenGL keeps it.
using Matrix = std::array<float, 16>;

// The entries each stack holds: OpenGL guarantees 32 modelview and 2 projection entries.
inline constexpr int stackDepth = 32;

const Matrix& modelviewMatrix();
const Matrix& projectionMatrix();
// Goes up whenever either matrix above may have changed, so that a sink can keep what it
// derives from them until then.
std::uint64_t matrixVersion();

// a times b, both column-major, summed in the order OpenGL implementations use.
Matrix multiply(const Matrix& a, const Matrix& b);

// The inverse of m's upper 3 x 3, row-major (entry (row, column) at 3 row + column): a normal
// as a row vector times it is the normal carried by m, with the length it had. The identity
// when m's upper 3 x 3 is singular.
std::array<float, 9> normalMatrixOf(const Matrix& m);

}  // namespace gl_subset
