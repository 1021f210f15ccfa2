#pragma once

#include <cstdint>

// What the browser's GLU and GLUT need of its fixed-function GL beyond the GL calls themselves.
namespace fixed {

// Draws triangle strips whose vertices are points[3 i] * scale with the normals points[3 i],
// lit and coloured as glVertex would, but leaving the current normal as it was (as a vertex
// array does). `strips` holds `count` strips of `length` indices each.
void drawStrips(const float* points, float scale, const std::uint16_t* strips, int count,
                int length);

// The current matrix times m (column-major, single precision), as glMultMatrixf does.
void multiply(const float* m);

}  // namespace fixed
