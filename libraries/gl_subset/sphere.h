#pragma once

#include <cstdint>
#include <vector>

// glutSolidSphere's mesh as freeglut builds it: `slices` around the z axis and `stacks` along
// it, from the pole at +z to the pole at -z, drawn as one triangle strip per stack. The call
// itself, defined in sphere.cpp, hands the mesh to the sink scaled by its radius.
namespace gl_subset {

struct SphereMesh {
    // Points of the unit sphere, x y z each, single precision: the pole at +z, then each ring
    // from the top down, then the pole at -z. They are also the normals; the vertices are
    // these times the radius.
    std::vector<float> points;
    // `stacks` strips of 2 * (slices + 1) indices into points.
    std::vector<std::uint16_t> strips;
    int stripLength = 0;
    // The strips as separate triangles, three indices each, in the order the strips draw them
    // (triangle k of a strip is its indices k, k + 1, k + 2); those with a repeated index, at
    // the poles, cover nothing and are left out.
    std::vector<std::uint32_t> triangles;
};

// The mesh for these counts (slices >= 1, stacks >= 2), built once and kept.
const SphereMesh& solidSphereMesh(int slices, int stacks);

}  // namespace gl_subset
