#include "libraries/gltf/shape_recorder.h"

#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <utility>

#include "libraries/gl_subset/matrix_stack.h"
#include "libraries/gl_subset/primitive_sink.h"
#include "math/mat4.h"

namespace gltf {

namespace {

void normalise(float* v) {
    const double length =
        std::sqrt(static_cast<double>(v[0]) * v[0] + static_cast<double>(v[1]) * v[1] +
                  static_cast<double>(v[2]) * v[2]);
    if (length == 0.0) {
        v[0] = 0.0f;
        v[1] = 0.0f;
        v[2] = 1.0f;
        return;
    }
    for (int i = 0; i < 3; ++i) {
        v[i] = static_cast<float>(v[i] / length);
    }
}

// Whether the triangle a, b, c, counter-clockwise as given, faces away from the side its
// vertex normals point to.
bool facesBackwards(const RecordedPrimitive& p, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    const auto at = [](const std::vector<float>& values, std::uint32_t i, int k) {
        return static_cast<double>(
            values[3 * static_cast<std::size_t>(i) + static_cast<std::size_t>(k)]);
    };
    double e1[3], e2[3], normal[3];
    for (int k = 0; k < 3; ++k) {
        e1[k] = at(p.positions, b, k) - at(p.positions, a, k);
        e2[k] = at(p.positions, c, k) - at(p.positions, a, k);
        normal[k] = at(p.normals, a, k) + at(p.normals, b, k) + at(p.normals, c, k);
    }
    const double face[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                            e1[0] * e2[1] - e1[1] * e2[0]};
    return face[0] * normal[0] + face[1] * normal[1] + face[2] * normal[2] < 0.0;
}

}  // namespace

RecordedShape ShapeRecorder::take() {
    return std::exchange(shape_, {});
}

void ShapeRecorder::draw(gl_subset::Primitive kind, std::span<const gl_subset::Vertex> vertices,
                         std::span<const std::uint32_t> corners) {
    if (vertices.empty() || corners.empty()) {
        return;
    }
    const std::array<float, 4> colour{vertices[0].colour[0], vertices[0].colour[1],
                                      vertices[0].colour[2], vertices[0].colour[3]};
    if (shape_.empty() || shape_.back().kind != kind || shape_.back().colour != colour) {
        shape_.push_back({kind, colour, {}, {}, {}});
    }
    RecordedPrimitive& p = shape_.back();

    const gl_subset::Matrix& m = gl_subset::modelviewMatrix();
    const std::array<float, 9> n = gl_subset::normalMatrixOf(m);
    const auto first = static_cast<std::uint32_t>(p.positions.size() / 3);
    for (const gl_subset::Vertex& v : vertices) {
        const std::array<float, 4> position =
            transformPointSingle(m, v.position[0], v.position[1], v.position[2]);
        p.positions.insert(p.positions.end(), position.begin(), position.begin() + 3);
        if (kind == gl_subset::Primitive::triangles && !positionsOnly_) {
            std::array<float, 3> normal =
                rowTimesMatrixSingle(std::span<const float, 3>(v.normal), n);
            normalise(normal.data());
            p.normals.insert(p.normals.end(), normal.begin(), normal.end());
        }
    }
    if (positionsOnly_) {
        return;
    }
    if (kind == gl_subset::Primitive::lines) {
        for (const std::uint32_t corner : corners) {
            p.indices.push_back(first + corner);
        }
        return;
    }
    for (std::size_t i = 0; i + 2 < corners.size(); i += 3) {
        const std::uint32_t a = first + corners[i];
        std::uint32_t b = first + corners[i + 1];
        std::uint32_t c = first + corners[i + 2];
        if (facesBackwards(p, a, b, c)) {
            std::swap(b, c);
        }
        p.indices.insert(p.indices.end(), {a, b, c});
    }
}

RecordedShape recordDraw(const SceneNode* node, bool positionsOnly) {
    ShapeRecorder recorder(positionsOnly);
    gl_subset::setSink(&recorder);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
    glLineWidth(1.0f);
    node->draw();
    gl_subset::setSink(nullptr);
    return recorder.take();
}

}  // namespace gltf
