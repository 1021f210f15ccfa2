// OpenGL 1's fixed-function calls that the viewer makes, on WebGL 1: the two matrix stacks in
// single precision, a current colour and normal that outlive glBegin/glEnd, lighting by light 0
// with colour material and normals as given (never normalised), quads and lines. Vertices are
// transformed and lit here and handed to WebGL ready to draw.
#include "fixed_function.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "lines.h"
#include "webgl_backend.h"

namespace {

using Matrix = std::array<float, 16>;

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
// The inverse of the modelview matrix's upper 3 x 3, which carries normals to eye space; and
// projection times modelview. Recomputed when a matrix has changed.
bool derivedStale = true;
std::array<float, 9> normalMatrix{};
Matrix modelviewProjection{};

bool lighting = false;
bool lightZero = false;
bool colourMaterial = false;

std::array<float, 4> colour{1, 1, 1, 1};
std::array<float, 3> normal{0, 0, 1};
// Colour material tracks the current colour into the ambient and diffuse material.
std::array<float, 4> materialAmbient{0.2f, 0.2f, 0.2f, 1};
std::array<float, 4> materialDiffuse{0.8f, 0.8f, 0.8f, 1};
constexpr std::array<float, 4> sceneAmbient{0.2f, 0.2f, 0.2f, 1};
std::array<float, 4> lightAmbient{0, 0, 0, 1};
std::array<float, 4> lightDiffuse{1, 1, 1, 1};
// Unit vector towards light 0 in eye space (it is directional).
std::array<float, 3> lightDirection{0, 0, 1};
float lineWidth = 1.0f;

GLenum primitive = GL_TRIANGLES;
std::vector<webgl::Vertex> pending;

// a times b, column-major, summed in the order OpenGL implementations use.
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

void matrixChanged() {
    derivedStale = true;
}

void updateDerived() {
    if (!derivedStale) {
        return;
    }
    derivedStale = false;
    modelviewProjection = product(projection.current(), modelview.current().data());
    const Matrix& m = modelview.current();
    const auto at = [&m](int row, int column) {
        return m[static_cast<std::size_t>(4 * column + row)];
    };
    const float c00 = at(1, 1) * at(2, 2) - at(2, 1) * at(1, 2);
    const float c01 = at(2, 1) * at(0, 2) - at(0, 1) * at(2, 2);
    const float c02 = at(0, 1) * at(1, 2) - at(1, 1) * at(0, 2);
    const float det = at(0, 0) * c00 + at(1, 0) * c01 + at(2, 0) * c02;
    if (det == 0.0f) {
        normalMatrix = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        return;
    }
    const float s = 1.0f / det;
    // Row-major inverse: inverse(row, column) = normalMatrix[3 * row + column].
    normalMatrix = {c00 * s,
                    c01 * s,
                    c02 * s,
                    (at(2, 0) * at(1, 2) - at(1, 0) * at(2, 2)) * s,
                    (at(0, 0) * at(2, 2) - at(2, 0) * at(0, 2)) * s,
                    (at(1, 0) * at(0, 2) - at(0, 0) * at(1, 2)) * s,
                    (at(1, 0) * at(2, 1) - at(2, 0) * at(1, 1)) * s,
                    (at(2, 0) * at(0, 1) - at(0, 0) * at(2, 1)) * s,
                    (at(0, 0) * at(1, 1) - at(1, 0) * at(0, 1)) * s};
}

std::array<float, 4> shade(const float* n) {
    if (!lighting) {
        return colour;
    }
    std::array<float, 4> lit{};
    float facing = 0.0f;
    if (lightZero) {
        // The normal as a row vector times the inverse: eye-space, with the length it had.
        const auto& inv = normalMatrix;
        const float ex = n[0] * inv[0] + n[1] * inv[3] + n[2] * inv[6];
        const float ey = n[0] * inv[1] + n[1] * inv[4] + n[2] * inv[7];
        const float ez = n[0] * inv[2] + n[1] * inv[5] + n[2] * inv[8];
        facing = std::max(0.0f,
                          ex * lightDirection[0] + ey * lightDirection[1] + ez * lightDirection[2]);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        float c = sceneAmbient[i] * materialAmbient[i];
        if (lightZero) {
            c += lightAmbient[i] * materialAmbient[i] +
                 facing * lightDiffuse[i] * materialDiffuse[i];
        }
        lit[i] = std::clamp(c, 0.0f, 1.0f);
    }
    lit[3] = std::clamp(materialDiffuse[3], 0.0f, 1.0f);
    return lit;
}

webgl::Vertex transform(float x, float y, float z, const float* n) {
    updateDerived();
    const Matrix& m = modelviewProjection;
    webgl::Vertex v{};
    for (std::size_t i = 0; i < 4; ++i) {
        v.clip[i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
    }
    const auto lit = shade(n);
    std::copy(lit.begin(), lit.end(), v.colour);
    return v;
}

void emitLine(const webgl::Vertex& a, const webgl::Vertex& b) {
    const auto clipped = lines::clipToDepthRange(a, b);
    if (!clipped) {
        return;
    }
    if (lineWidth <= 1.0f) {
        webgl::addLine(clipped->first, clipped->second);
        return;
    }
    const auto c = lines::widen(clipped->first, clipped->second, lineWidth, webgl::viewportWidth(),
                                webgl::viewportHeight());
    webgl::addTriangle(c[0], c[1], c[2]);
    webgl::addTriangle(c[0], c[2], c[3]);
}

void vertex(float x, float y, float z) {
    pending.push_back(transform(x, y, z, normal.data()));
}

void setCapability(GLenum capability, bool enabled) {
    switch (capability) {
        case GL_DEPTH_TEST:
            webgl::setDepthTest(enabled);
            break;
        case GL_LIGHTING:
            lighting = enabled;
            break;
        case GL_LIGHT0:
            lightZero = enabled;
            break;
        case GL_COLOR_MATERIAL:
            colourMaterial = enabled;
            if (enabled) {
                materialAmbient = colour;
                materialDiffuse = colour;
            }
            break;
        default:
            break;
    }
}

}  // namespace

namespace fixed {

void drawStrips(const float* points, float scale, const std::uint16_t* strips, int count,
                int length) {
    for (int s = 0; s < count; ++s) {
        const std::uint16_t* strip = strips + s * length;
        std::vector<webgl::Vertex> vertices;
        vertices.reserve(static_cast<std::size_t>(length));
        for (int k = 0; k < length; ++k) {
            const float* p = points + 3 * strip[k];
            vertices.push_back(transform(p[0] * scale, p[1] * scale, p[2] * scale, p));
        }
        for (int k = 0; k + 2 < length; ++k) {
            // Triangles with a repeated index (at the poles) cover nothing.
            if (strip[k] == strip[k + 1] || strip[k + 1] == strip[k + 2] ||
                strip[k] == strip[k + 2]) {
                continue;
            }
            const auto uk = static_cast<std::size_t>(k);
            webgl::addTriangle(vertices[uk], vertices[uk + 1], vertices[uk + 2]);
        }
    }
}

void multiply(const float* m) {
    activeStack->current() = product(activeStack->current(), m);
    matrixChanged();
}

}  // namespace fixed

extern "C" {

void glEnable(GLenum capability) {
    setCapability(capability, true);
}

void glDisable(GLenum capability) {
    setCapability(capability, false);
}

void glClear(GLbitfield mask) {
    webgl::clear(mask);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    webgl::clearColour(r, g, b, a);
}

void glMatrixMode(GLenum mode) {
    activeStack = mode == GL_PROJECTION ? &projection : &modelview;
}

void glLoadIdentity() {
    activeStack->current() = identity;
    matrixChanged();
}

void glLoadMatrixd(const GLdouble* m) {
    for (std::size_t i = 0; i < 16; ++i) {
        activeStack->current()[i] = static_cast<float>(m[i]);
    }
    matrixChanged();
}

void glMultMatrixd(const GLdouble* m) {
    float f[16];
    for (int i = 0; i < 16; ++i) {
        f[i] = static_cast<float>(m[i]);
    }
    fixed::multiply(f);
}

void glMultMatrixf(const GLfloat* m) {
    fixed::multiply(m);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix& m = activeStack->current();
    for (std::size_t i = 0; i < 4; ++i) {
        m[12 + i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
    }
    matrixChanged();
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
        matrixChanged();
    }
}

void glGetDoublev(GLenum name, GLdouble* values) {
    const MatrixStack* stack = name == GL_PROJECTION_MATRIX ? &projection : &modelview;
    const Matrix& m = stack->entries[static_cast<std::size_t>(stack->top)];
    for (std::size_t i = 0; i < 16; ++i) {
        values[i] = m[i];
    }
}

void glLightfv(GLenum light, GLenum name, const GLfloat* values) {
    if (light != GL_LIGHT0) {
        return;
    }
    switch (name) {
        case GL_AMBIENT:
            std::copy(values, values + 4, lightAmbient.begin());
            break;
        case GL_DIFFUSE:
            std::copy(values, values + 4, lightDiffuse.begin());
            break;
        case GL_POSITION: {
            // Carried to eye space by the modelview matrix of the moment, and kept there.
            const Matrix& m = modelview.current();
            std::array<float, 3> d{};
            for (std::size_t i = 0; i < 3; ++i) {
                d[i] = m[i] * values[0] + m[4 + i] * values[1] + m[8 + i] * values[2];
            }
            const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            if (length > 0.0f) {
                lightDirection = {d[0] / length, d[1] / length, d[2] / length};
            }
            break;
        }
        default:
            break;
    }
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    colour = {r, g, b, 1.0f};
    if (colourMaterial) {
        materialAmbient = colour;
        materialDiffuse = colour;
    }
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
    if (primitive == GL_QUADS) {
        for (std::size_t i = 0; i + 3 < pending.size(); i += 4) {
            webgl::addTriangle(pending[i], pending[i + 1], pending[i + 2]);
            webgl::addTriangle(pending[i], pending[i + 2], pending[i + 3]);
        }
    } else if (primitive == GL_LINES) {
        for (std::size_t i = 0; i + 1 < pending.size(); i += 2) {
            emitLine(pending[i], pending[i + 1]);
        }
    } else if (primitive == GL_TRIANGLES) {
        for (std::size_t i = 0; i + 2 < pending.size(); i += 3) {
            webgl::addTriangle(pending[i], pending[i + 1], pending[i + 2]);
        }
    }
    pending.clear();
}

void glFinish() {
    webgl::flush();
}

}  // extern "C"
