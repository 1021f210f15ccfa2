#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "libraries/gl_subset/primitive_sink.h"

namespace gltf {

// Part of what a node's draw emits, in the node's own frame, single precision: triangles (with
// a normal per vertex) or lines, all of one colour.
struct RecordedPrimitive {
    gl_subset::Primitive kind = gl_subset::Primitive::triangles;
    std::array<float, 4> colour{};
    std::vector<float> positions;  // x, y, z for each vertex
    std::vector<float> normals;    // x, y, z for each vertex, unit length; none for lines
    std::vector<std::uint32_t> indices;

    bool operator==(const RecordedPrimitive&) const = default;
};

// Everything one node's draw emits, in the order it was drawn.
using RecordedShape = std::vector<RecordedPrimitive>;

}  // namespace gltf
