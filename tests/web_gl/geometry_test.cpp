#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "gl_subset/sphere.h"
#include "lines.h"

namespace {

webgl::Vertex at(float x, float y, float z, float w, float shade) {
    return {{x, y, z, w}, {shade, shade, shade, 1.0f}};
}

TEST(WebSphere, IsAClosedSurfaceOfUnitPointsTurningLikeFreeglut) {
    const sphere::Mesh& mesh = sphere::solidSphereMesh(10, 5);
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

TEST(WebLines, AreCutAtTheNearAndFarPlanesAndDroppedWhenWhollyOutside) {
    // From behind the eye (w < 0) to beyond the far plane (z > w).
    const auto cut = lines::clipToDepthRange(at(0, 0, -3, -1, 0), at(0, 0, 9, 5, 1));
    ASSERT_TRUE(cut);
    EXPECT_NEAR(cut->first.clip[2] + cut->first.clip[3], 0.0f, 1e-6f);
    EXPECT_GT(cut->first.clip[3], 0.0f);
    EXPECT_NEAR(cut->second.clip[3] - cut->second.clip[2], 0.0f, 1e-6f);
    // The colour follows the cuts: at 4/18 of the way (z + w goes from -4 to 14), then at 1/7
    // of the rest (w - z goes from 2/3 to -4).
    EXPECT_NEAR(cut->first.colour[0], 2.0f / 9.0f, 1e-6f);
    EXPECT_NEAR(cut->second.colour[0], 2.0f / 9.0f + 7.0f / 9.0f / 7.0f, 1e-6f);

    const auto inside = lines::clipToDepthRange(at(1, 2, 0, 1, 0), at(3, 4, 0.5f, 2, 1));
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->second.clip[0], 3.0f);
    EXPECT_FALSE(lines::clipToDepthRange(at(0, 0, -3, -1, 0), at(0, 0, -2, -1, 0)));
    EXPECT_FALSE(lines::clipToDepthRange(at(0, 0, 9, 5, 0), at(0, 0, 8, 5, 0)));
}

TEST(WebLines, WideLinesGrowAcrossTheirMainDirectionByTheirWidthInPixels) {
    // Mostly across an 800 x 400 viewport: 3 pixels tall, 1.5 above and below, at any depth.
    const auto flat = lines::widen(at(-1, 0, 0, 2, 1), at(1.5f, 0.5f, 0, 1, 1), 3.0f, 800, 400);
    EXPECT_FLOAT_EQ(flat[0].clip[1] / flat[0].clip[3], -1.5f / 200.0f);
    EXPECT_FLOAT_EQ(flat[1].clip[1] / flat[1].clip[3], 1.5f / 200.0f);
    EXPECT_FLOAT_EQ(flat[2].clip[1] / flat[2].clip[3], 0.5f + 1.5f / 200.0f);
    EXPECT_EQ(flat[2].clip[0], 1.5f);
    // Mostly up it: 3 pixels wide.
    const auto steep = lines::widen(at(0, -1, 0, 1, 1), at(0.1f, 1, 0, 1, 1), 3.0f, 800, 400);
    EXPECT_FLOAT_EQ(steep[3].clip[0], 0.1f - 1.5f / 400.0f);
    EXPECT_EQ(steep[3].clip[1], 1.0f);
}

}  // namespace
