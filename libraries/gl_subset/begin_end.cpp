#include "libraries/gl_subset/begin_end.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "libraries/gl_subset/error_state.h"
#include "libraries/gl_subset/primitive_sink.h"

namespace gl_subset {
namespace {

std::array<float, 4> colour{1, 1, 1, 1};
std::array<float, 3> normal{0, 0, 1};
float lineWidth = 1.0f;

// The block between glBegin and glEnd; its mode is one the subset draws.
GLenum primitive = GL_TRIANGLES;
bool outsideSubset = false;
std::vector<Vertex> pending;
std::vector<std::uint32_t> corners;

void vertex(float x, float y, float z) {
    Vertex v{{x, y, z}, {normal[0], normal[1], normal[2]}, {}};
    std::copy(colour.begin(), colour.end(), v.colour);
    pending.push_back(v);
}

}  // namespace

const std::array<float, 4>& currentColour() {
    return colour;
}

float currentLineWidth() {
    return lineWidth;
}

}  // namespace gl_subset

using namespace gl_subset;

extern "C" {

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    colour = {r, g, b, 1.0f};
}

void glNormal3dv(const GLdouble* n) {
    normal = {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])};
}

void glLineWidth(GLfloat width) {
    lineWidth = width;
}

// The state this file keeps: the current colour (four values), the current normal (three) and
// the line width (one). Any other name is outside the subset and leaves `values` as they were.
void glGetFloatv(GLenum name, GLfloat* values) {
    switch (name) {
        case GL_CURRENT_COLOR:
            std::copy(colour.begin(), colour.end(), values);
            return;
        case GL_CURRENT_NORMAL:
            std::copy(normal.begin(), normal.end(), values);
            return;
        case GL_LINE_WIDTH:
            values[0] = lineWidth;
            return;
        default: {
            char what[160];
            std::snprintf(what, sizeof what,
                          "glGetFloatv(0x%04x) asks for state outside the subset, which answers "
                          "GL_CURRENT_COLOR, GL_CURRENT_NORMAL and GL_LINE_WIDTH only: "
                          "GL_INVALID_ENUM",
                          name);
            recordError(GL_INVALID_ENUM, what);
            return;
        }
    }
}

void glBegin(GLenum mode) {
    pending.clear();
    outsideSubset = mode != GL_QUADS && mode != GL_LINES && mode != GL_TRIANGLES;
    if (outsideSubset) {
        char what[160];
        std::snprintf(what, sizeof what,
                      "glBegin(0x%04x) asks for a primitive outside the subset, which draws "
                      "GL_QUADS, GL_LINES and GL_TRIANGLES only; its vertices are not drawn: "
                      "GL_INVALID_ENUM",
                      mode);
        recordError(GL_INVALID_ENUM, what);
        return;
    }
    primitive = mode;
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    vertex(x, y, z);
}

void glVertex3dv(const GLdouble* v) {
    vertex(static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]));
}

void glEnd() {
    PrimitiveSink* sink = currentSink();
    if (outsideSubset || sink == nullptr) {
        pending.clear();
        return;
    }
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
    } else {
        for (std::uint32_t i = 0; i + 2 < pending.size(); i += 3) {
            corners.insert(corners.end(), {i, i + 1, i + 2});
        }
    }
    if (!corners.empty()) {
        sink->draw(kind, pending, corners);
    }
    pending.clear();
}

}  // extern "C"
