// The GL calls of the subset. Matrices are kept in single precision, as the GL implementations
// the viewer runs on keep them: glMultMatrixd and glLoadMatrixd round each element to float.
#include "gl_subset/immediate_mode.h"

#include <GL/gl.h>
#include <GL/glut.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "gl_subset/sphere.h"

namespace gl_subset {
namespace {

constexpr Matrix identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// OpenGL guarantees 32 modelview and 2 projection entries; both get 32 here.
struct MatrixStack {
    std::array<Matrix, 32> entries{};
    int top = 0;
    MatrixStack() { entries[0] = identity; }
    Matrix& current() { return entries[static_cast<std::size_t>(top)]; }
};

MatrixStack modelview;
MatrixStack projection;
MatrixStack* activeStack = &modelview;
std::uint64_t version = 0;

std::array<float, 4> colour{1, 1, 1, 1};
std::array<float, 3> normal{0, 0, 1};
float lineWidth = 1.0f;

PrimitiveSink* sink = nullptr;

// The primitive between glBegin and glEnd.
GLenum primitive = GL_TRIANGLES;
std::vector<Vertex> pending;
std::vector<std::uint32_t> corners;
std::vector<Vertex> sphereVertices;

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

void vertex(float x, float y, float z) {
    Vertex v{{x, y, z}, {normal[0], normal[1], normal[2]}, {}};
    std::copy(colour.begin(), colour.end(), v.colour);
    pending.push_back(v);
}

}  // namespace

void setSink(PrimitiveSink* newSink) {
    sink = newSink;
}

const Matrix& modelviewMatrix() {
    return modelview.current();
}

const Matrix& projectionMatrix() {
    return projection.current();
}

std::uint64_t matrixVersion() {
    return version;
}

const std::array<float, 4>& currentColour() {
    return colour;
}

float currentLineWidth() {
    return lineWidth;
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

void glEnable(GLenum capability) {
    if (sink != nullptr) {
        sink->setCapability(capability, true);
    }
}

void glDisable(GLenum capability) {
    if (sink != nullptr) {
        sink->setCapability(capability, false);
    }
}

void glClear(GLbitfield mask) {
    if (sink != nullptr) {
        sink->clear(mask);
    }
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    if (sink != nullptr) {
        sink->clearColour(r, g, b, a);
    }
}

void glFinish() {
    if (sink != nullptr) {
        sink->finish();
    }
}

void glLightfv(GLenum light, GLenum name, const GLfloat* values) {
    if (sink != nullptr) {
        sink->setLight(light, name, values);
    }
}

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

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix& m = activeStack->current();
    for (std::size_t i = 0; i < 4; ++i) {
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
    }
    ++version;
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glPushMatrix() {
    if (activeStack->top + 1 < static_cast<int>(activeStack->entries.size())) {
        activeStack->entries[static_cast<std::size_t>(activeStack->top + 1)] =
            activeStack->current();
        ++activeStack->top;
    }
}

void glPopMatrix() {
    if (activeStack->top > 0) {
        --activeStack->top;
        ++version;
    }
}

void glGetDoublev(GLenum name, GLdouble* values) {
    const MatrixStack* stack = name == GL_PROJECTION_MATRIX ? &projection : &modelview;
    const Matrix& m = stack->entries[static_cast<std::size_t>(stack->top)];
    for (std::size_t i = 0; i < 16; ++i) {
        values[i] = m[i];
    }
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    colour = {r, g, b, 1.0f};
}

void glNormal3dv(const GLdouble* n) {
    normal = {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])};
}

void glLineWidth(GLfloat width) {
    lineWidth = width;
}

void glBegin(GLenum mode) {
    primitive = mode;
    pending.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    vertex(x, y, z);
}

void glVertex3dv(const GLdouble* v) {
    vertex(static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]));
}

void glEnd() {
    corners.clear();
    Primitive kind = Primitive::triangles;
    if (primitive == GL_QUADS) {
        for (std::uint32_t i = 0; i + 3 < pending.size(); i += 4) {
            corners.insert(corners.end(), {i, i + 1, i + 2, i, i + 2, i + 3});
        }
    } else if (primitive == GL_LINES) {
        kind = Primitive::lines;
        for (std::uint32_t i = 0; i + 1 < pending.size(); i += 2) {
            corners.insert(corners.end(), {i, i + 1});
        }
    } else if (primitive == GL_TRIANGLES) {
        for (std::uint32_t i = 0; i + 2 < pending.size(); i += 3) {
            corners.insert(corners.end(), {i, i + 1, i + 2});
        }
    }
    if (sink != nullptr && !corners.empty()) {
        sink->draw(kind, pending, corners);
    }
    pending.clear();
}

// freeglut's mesh, its points scaled by the radius and lit by the unscaled points as normals;
// the current normal stays as it was, as with freeglut's vertex arrays.
void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks) {
    if (slices < 1 || stacks < 2 || sink == nullptr) {
        return;
    }
    const sphere::Mesh& mesh = sphere::solidSphereMesh(slices, stacks);
    const auto scale = static_cast<float>(radius);
    std::vector<Vertex>& vertices = sphereVertices;
    vertices.clear();
    for (std::size_t i = 0; i + 2 < mesh.points.size(); i += 3) {
        const float* p = &mesh.points[i];
        Vertex v{{p[0] * scale, p[1] * scale, p[2] * scale}, {p[0], p[1], p[2]}, {}};
        std::copy(colour.begin(), colour.end(), v.colour);
        vertices.push_back(v);
    }
    sink->draw(Primitive::triangles, vertices, mesh.triangles);
}

}  // extern "C"
