#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "libraries/gl_subset/sphere.h"

namespace gl_subset {
namespace {

TEST(SolidSphereMesh, IsAClosedSurfaceOfUnitPointsTurningLikeFreeglut) {
    const SphereMesh& mesh = solidSphereMesh(10, 5);
    ASSERT_EQ(mesh.points.size(), 3u * (10 * 4 + 2));
    for (std::size_t i = 0; i < mesh.points.size(); i += 3) {
        const float* p = &mesh.points[i];
        EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 1.0f, 1e-6f) << i / 3;
    }
    EXPECT_EQ(mesh.points[2], 1.0f);
    EXPECT_EQ(mesh.points.back(), -1.0f);
    // The slices run from +x towards -y, the rings from the top down.
    EXPECT_EQ(mesh.points[3], std::sin(static_cast<float>(M_PI) / 5.0f));
    EXPECT_LT(mesh.points[3 * 2 + 1], 0.0f);

    // Every edge of every triangle that covers something is shared by exactly two of them: the
    // strips close the surface, with no gap at the seam or the poles.
    ASSERT_EQ(mesh.stripLength, 22);
    ASSERT_EQ(mesh.strips.size(), 5u * 22);
    // The separate triangles are the strips' own, in their order, those covering nothing left
    // out.
    std::vector<std::uint32_t> fromStrips;
    for (int s = 0; s < 5; ++s) {
        const auto* strip = &mesh.strips[static_cast<std::size_t>(s * 22)];
        for (int k = 0; k + 2 < 22; ++k) {
            const std::uint32_t a = strip[k], b = strip[k + 1], c = strip[k + 2];
            if (a != b && b != c && a != c) {
                fromStrips.insert(fromStrips.end(), {a, b, c});
            }
        }
    }
    EXPECT_EQ(mesh.triangles, fromStrips);
    std::map<std::pair<std::uint32_t, std::uint32_t>, int> edges;
    for (std::size_t t = 0; t + 2 < mesh.triangles.size(); t += 3) {
        const std::uint32_t a = mesh.triangles[t], b = mesh.triangles[t + 1],
                            c = mesh.triangles[t + 2];
        for (auto [p, q] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, a}}) {
            ++edges[std::minmax(p, q)];
        }
    }
    // 80 triangles: 10 at each pole, 2 x 10 in each of the three middle stacks.
    EXPECT_EQ(mesh.triangles.size(), 80u * 3);
    EXPECT_EQ(edges.size(), 80u * 3 / 2);
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 2) << edge.first << "-" << edge.second;
    }
}

}  // namespace
}  // namespace gl_subset
