#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "libraries/gltf/shape_recorder.h"
#include "scene/ball_tree.h"
#include "scene/limb.h"

// What a node's own draw leaves in the recording, through the same GL subset as the browser's.
namespace gltf {
namespace {

RecordedShape record(SceneNode& node) {
    return recordDraw(&node, false);
}

double at(const std::vector<float>& values, std::uint32_t vertex, int k) {
    return values[3 * vertex + static_cast<std::uint32_t>(k)];
}

TEST(ShapeRecorder, ALimbIsItsHundredQuadsAndTwoSpheresFacingOutwards) {
    Limb limb(0.5, 3.0);
    const RecordedShape shape = record(limb);
    ASSERT_EQ(shape.size(), 1u) << "quads and spheres, all white, in one primitive";
    const RecordedPrimitive& p = shape[0];
    EXPECT_EQ(p.kind, gl_subset::Primitive::triangles);
    EXPECT_EQ(p.colour, (std::array<float, 4>{1, 1, 1, 1}));
    ASSERT_EQ(p.positions.size(), 3u * (400 + 42 + 42));
    ASSERT_EQ(p.normals.size(), p.positions.size());
    EXPECT_EQ(p.indices.size(), 3u * (200 + 80 + 80));

    // The first quad as the limb draws it, its normal (0.5, 0, 0) carried to unit length.
    EXPECT_EQ(at(p.positions, 0, 0), 0.5);
    EXPECT_EQ(at(p.positions, 3, 2), static_cast<float>(static_cast<double>(0.1f) * 3.0));
    EXPECT_EQ(at(p.normals, 0, 0), 1.0);
    // The far sphere's pole at z = 3 + 0.5, the near one's at -0.5.
    double lowest = 0, highest = 0;
    for (std::uint32_t v = 0; v < p.positions.size() / 3; ++v) {
        lowest = std::min(lowest, at(p.positions, v, 2));
        highest = std::max(highest, at(p.positions, v, 2));
        const double length =
            std::hypot(at(p.normals, v, 0), at(p.normals, v, 1), at(p.normals, v, 2));
        ASSERT_NEAR(length, 1.0, 1e-6) << "vertex " << v;
    }
    EXPECT_EQ(lowest, -0.5);
    EXPECT_EQ(highest, 3.5);

    // Each quad is split along a diagonal: its two triangles share two opposite corners.
    for (std::uint32_t q = 0; q < 100; ++q) {
        std::vector<std::uint32_t> shared;
        for (std::size_t i = 0; i < 3; ++i) {
            for (std::size_t j = 3; j < 6; ++j) {
                if (p.indices[6 * q + i] == p.indices[6 * q + j]) {
                    shared.push_back(p.indices[6 * q + i] - 4 * q);
                }
            }
        }
        ASSERT_EQ(shared.size(), 2u) << "quad " << q;
        EXPECT_EQ((shared[0] + shared[1]) % 2, 0u) << "quad " << q << " split along a side";
    }

    // Every triangle winds counter-clockwise seen from where its normals point.
    for (std::size_t t = 0; t + 2 < p.indices.size(); t += 3) {
        const std::uint32_t a = p.indices[t], b = p.indices[t + 1], c = p.indices[t + 2];
        double e1[3], e2[3];
        for (int k = 0; k < 3; ++k) {
            e1[k] = at(p.positions, b, k) - at(p.positions, a, k);
            e2[k] = at(p.positions, c, k) - at(p.positions, a, k);
        }
        const double face[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                e1[0] * e2[1] - e1[1] * e2[0]};
        double facing = 0;
        for (int k = 0; k < 3; ++k) {
            facing += face[k] * at(p.normals, a, k);
        }
        ASSERT_GT(facing, 0.0) << "triangle " << t / 3;
    }
}

TEST(ShapeRecorder, ABallTreeIsRedLinesToItsChildrenThenItsWhiteSphere) {
    BallTree tree(2);
    const RecordedShape shape = record(tree);
    ASSERT_EQ(shape.size(), 2u);
    const RecordedPrimitive& lines = shape[0];
    EXPECT_EQ(lines.kind, gl_subset::Primitive::lines);
    EXPECT_EQ(lines.colour, (std::array<float, 4>{1, 0, 0, 1}));
    EXPECT_EQ(lines.positions, (std::vector<float>{0, 0, 0, 3, -2.25f, 0, 0, 0, 0, -3, -2.25f, 0}));
    EXPECT_EQ(lines.indices, (std::vector<std::uint32_t>{0, 1, 2, 3}));
    EXPECT_TRUE(lines.normals.empty());
    EXPECT_EQ(shape[1].kind, gl_subset::Primitive::triangles);
    EXPECT_EQ(shape[1].colour, (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_EQ(shape[1].positions.size(), 3u * 42);

    BallTree leaf(1);
    const RecordedShape alone = record(leaf);
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0], shape[1]) << "a leaf draws the same sphere";
}

}  // namespace
}  // namespace gltf
