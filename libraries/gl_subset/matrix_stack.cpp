// The matrix calls of the subset. Matrices are kept in single precision, as the GL
// implementations the viewer runs on keep them: glMultMatrixd and glLoadMatrixd round each
// element to float.
#include "libraries/gl_subset/matrix_stack.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "libraries/gl_subset/error_state.h"
#include "math/mat4.h"

namespace gl_subset {
namespace {

constexpr Matrix identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct MatrixStack {
    const char* name;
    std::array<Matrix, stackDepth> entries{};
    int top = 0;
    explicit MatrixStack(const char* stackName) : name(stackName) { entries[0] = identity; }
    Matrix& current() { return entries[static_cast<std::size_t>(top)]; }
};

MatrixStack modelview{"modelview"};
MatrixStack projection{"projection"};
MatrixStack* activeStack = &modelview;
std::uint64_t version = 0;

Matrix product(const Matrix& a, const float* b) {
    Matrix p{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            p[static_cast<std::size_t>(4 * j + i)] =
                a[static_cast<std::size_t>(i)] * b[4 * j] +
                a[static_cast<std::size_t>(4 + i)] * b[4 * j + 1] +
                a[static_cast<std::size_t>(8 + i)] * b[4 * j + 2] +
                a[static_cast<std::size_t>(12 + i)] * b[4 * j + 3];
        }
    }
    return p;
}

void multiplyCurrent(const float* m) {
    activeStack->current() = product(activeStack->current(), m);
    ++version;
}

}  // namespace

const Matrix& modelviewMatrix() {
    return modelview.current();
}

const Matrix& projectionMatrix() {
    return projection.current();
}

std::uint64_t matrixVersion() {
    return version;
}

Matrix multiply(const Matrix& a, const Matrix& b) {
    return product(a, b.data());
}

std::array<float, 9> normalMatrixOf(const Matrix& m) {
    const auto at = [&m](int row, int column) {
        return m[static_cast<std::size_t>(4 * column + row)];
    };
    const float c00 = at(1, 1) * at(2, 2) - at(2, 1) * at(1, 2);
    const float c01 = at(2, 1) * at(0, 2) - at(0, 1) * at(2, 2);
    const float c02 = at(0, 1) * at(1, 2) - at(1, 1) * at(0, 2);
    const float det = at(0, 0) * c00 + at(1, 0) * c01 + at(2, 0) * c02;
    if (det == 0.0f) {
        return {1, 0, 0, 0, 1, 0, 0, 0, 1};
    }
    const float s = 1.0f / det;
    return {c00 * s,
            c01 * s,
            c02 * s,
            (at(2, 0) * at(1, 2) - at(1, 0) * at(2, 2)) * s,
            (at(0, 0) * at(2, 2) - at(2, 0) * at(0, 2)) * s,
            (at(1, 0) * at(0, 2) - at(0, 0) * at(1, 2)) * s,
            (at(1, 0) * at(2, 1) - at(2, 0) * at(1, 1)) * s,
            (at(2, 0) * at(0, 1) - at(0, 0) * at(2, 1)) * s,
            (at(0, 0) * at(1, 1) - at(1, 0) * at(0, 1)) * s};
}

}  // namespace gl_subset

using namespace gl_subset;

extern "C" {

void glMatrixMode(GLenum mode) {
    activeStack = mode == GL_PROJECTION ? &projection : &modelview;
}

void glLoadIdentity() {
    activeStack->current() = identity;
    ++version;
}

void glLoadMatrixd(const GLdouble* m) {
    for (std::size_t i = 0; i < 16; ++i) {
        activeStack->current()[i] = static_cast<float>(m[i]);
    }
    ++version;
}

void glMultMatrixd(const GLdouble* m) {
    float f[16];
    for (int i = 0; i < 16; ++i) {
        f[i] = static_cast<float>(m[i]);
    }
    multiplyCurrent(f);
}

void glMultMatrixf(const GLfloat* m) {
    multiplyCurrent(m);
}

// The translation column becomes where the matrix takes the point (x, y, z).
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix& m = activeStack->current();
    const std::array<float, 4> moved = transformPointSingle(m, x, y, z);
    std::copy(moved.begin(), moved.end(), m.begin() + 12);
    ++version;
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

// As in GL, a push onto a full stack and a pop of its last entry change nothing.
void glPushMatrix() {
    if (activeStack->top + 1 == stackDepth) {
        recordError(GL_STACK_OVERFLOW,
                    "glPushMatrix onto the full " + std::string(activeStack->name) + " stack (" +
                        std::to_string(stackDepth) + " entries) is ignored: GL_STACK_OVERFLOW");
        return;
    }
    activeStack->entries[static_cast<std::size_t>(activeStack->top + 1)] = activeStack->current();
    ++activeStack->top;
}

void glPopMatrix() {
    if (activeStack->top == 0) {
        recordError(GL_STACK_UNDERFLOW, "glPopMatrix of the " + std::string(activeStack->name) +
                                            " stack's last entry is ignored: GL_STACK_UNDERFLOW");
        return;
    }
    --activeStack->top;
    ++version;
}

void glGetDoublev(GLenum name, GLdouble* values) {
    const MatrixStack* stack = name == GL_PROJECTION_MATRIX ? &projection : &modelview;
    const Matrix& m = stack->entries[static_cast<std::size_t>(stack->top)];
    for (std::size_t i = 0; i < 16; ++i) {
        values[i] = m[i];
    }
}

}  // extern "C"
