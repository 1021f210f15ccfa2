#include "libraries/gl_subset/sphere.h"

#include <GL/gl.h>
#include <GL/glut.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

#include "libraries/gl_subset/begin_end.h"
#include "libraries/gl_subset/primitive_sink.h"

namespace gl_subset {
namespace {

// sin and cos of the n + 1 angles 0, a, 2a, ... n a, with a = 2 pi / n (pi / n for half a
// circle), in single precision; the last one is exactly the first (or the opposite pole).
// A negative n turns the other way.
void circleTable(int n, bool halfCircle, std::vector<float>& sines, std::vector<float>& cosines) {
    const int size = std::abs(n);
    const float angle = (halfCircle ? 1.0f : 2.0f) * static_cast<float>(std::numbers::pi) /
                        static_cast<float>(n == 0 ? 1 : n);
    sines.assign(static_cast<std::size_t>(size) + 1, 0.0f);
    cosines.assign(static_cast<std::size_t>(size) + 1, 1.0f);
    for (int i = 1; i < size; ++i) {
        const float turned = angle * static_cast<float>(i);
        sines[static_cast<std::size_t>(i)] =
            static_cast<float>(std::sin(static_cast<double>(turned)));
        cosines[static_cast<std::size_t>(i)] =
            static_cast<float>(std::cos(static_cast<double>(turned)));
    }
    if (halfCircle) {
        sines[static_cast<std::size_t>(size)] = 0.0f;
        cosines[static_cast<std::size_t>(size)] = -1.0f;
    } else {
        sines[static_cast<std::size_t>(size)] = sines[0];
        cosines[static_cast<std::size_t>(size)] = cosines[0];
    }
}

SphereMesh build(int slices, int stacks) {
    std::vector<float> sin1, cos1, sin2, cos2;
    circleTable(-slices, false, sin1, cos1);
    circleTable(stacks, true, sin2, cos2);

    SphereMesh mesh;
    mesh.points = {0.0f, 0.0f, 1.0f};
    for (int i = 1; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const auto ui = static_cast<std::size_t>(i);
            const auto uj = static_cast<std::size_t>(j);
            mesh.points.push_back(cos1[uj] * sin2[ui]);
            mesh.points.push_back(sin1[uj] * sin2[ui]);
            mesh.points.push_back(cos2[ui]);
        }
    }
    mesh.points.insert(mesh.points.end(), {0.0f, 0.0f, -1.0f});
    const int bottom = slices * (stacks - 1) + 1;

    const auto index = [&mesh](int i) { mesh.strips.push_back(static_cast<std::uint16_t>(i)); };
    // The top stack fans out from the pole, the bottom one closes onto the other pole, and
    // every strip comes back to its first slice.
    for (int j = 0; j < slices; ++j) {
        index(j + 1);
        index(0);
    }
    index(1);
    index(0);
    for (int i = 0; i < stacks - 2; ++i) {
        const int offset = 1 + i * slices;
        for (int j = 0; j < slices; ++j) {
            index(offset + j + slices);
            index(offset + j);
        }
        index(offset + slices);
        index(offset);
    }
    const int offset = 1 + (stacks - 2) * slices;
    for (int j = 0; j < slices; ++j) {
        index(bottom);
        index(offset + j);
    }
    index(bottom);
    index(offset);
    mesh.stripLength = 2 * (slices + 1);

    const auto length = static_cast<std::size_t>(mesh.stripLength);
    for (std::size_t first = 0; first < mesh.strips.size(); first += length) {
        const std::uint16_t* strip = &mesh.strips[first];
        for (std::size_t k = 0; k + 2 < length; ++k) {
            if (strip[k] == strip[k + 1] || strip[k + 1] == strip[k + 2] ||
                strip[k] == strip[k + 2]) {
                continue;
            }
            mesh.triangles.insert(mesh.triangles.end(), {strip[k], strip[k + 1], strip[k + 2]});
        }
    }
    return mesh;
}

}  // namespace

const SphereMesh& solidSphereMesh(int slices, int stacks) {
    static std::map<std::pair<int, int>, SphereMesh> meshes;
    const auto key = std::pair{slices, stacks};
    auto found = meshes.find(key);
    if (found == meshes.end()) {
        found = meshes.emplace(key, build(slices, stacks)).first;
    }
    return found->second;
}

// freeglut's mesh, its points scaled by the radius and lit by the unscaled points as normals;
// the current normal stays as it was, as with freeglut's vertex arrays.
void PrimitiveSink::drawSolidSphere(double radius, int slices, int stacks) {
    static std::vector<Vertex> vertices;
    const SphereMesh& mesh = solidSphereMesh(slices, stacks);
    const auto scale = static_cast<float>(radius);
    const std::array<float, 4>& colour = currentColour();
    vertices.clear();
    for (std::size_t i = 0; i + 2 < mesh.points.size(); i += 3) {
        const float* p = &mesh.points[i];
        Vertex v{{p[0] * scale, p[1] * scale, p[2] * scale}, {p[0], p[1], p[2]}, {}};
        std::copy(colour.begin(), colour.end(), v.colour);
        vertices.push_back(v);
    }
    draw(Primitive::triangles, vertices, mesh.triangles);
}

}  // namespace gl_subset

extern "C" void glutSolidSphere(GLdouble radius, GLint slices, GLint stacks) {
    gl_subset::PrimitiveSink* sink = gl_subset::currentSink();
    if (slices < 1 || stacks < 2 || sink == nullptr) {
        return;
    }
    sink->drawSolidSphere(radius, slices, stacks);
}
