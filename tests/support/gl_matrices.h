#pragma once

#include <cstddef>

#include "gl_recorder.h"
#include "math/mat4.h"

// A Mat4 as the recording double keeps matrices.
inline gl_double::Matrix toMatrix(const Mat4& a) {
    gl_double::Matrix m;
    for (std::size_t i = 0; i < 16; ++i) {
        m[i] = a.m[i];
    }
    return m;
}

// The glMultMatrixd call that hands `a` to OpenGL.
inline gl_double::Call multiplyCall(const Mat4& a) {
    return {"glMultMatrixd", std::vector<double>(a.m, a.m + 16), {}};
}
