#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "libraries/gltf/pose.h"
#include "libraries/gltf/pose_tracks.h"
#include "scene/ball_tree.h"
#include "scene/scene_node.h"
#include "scene/swinging_limb.h"

// Local transforms as translation, rotation and uniform scale, and their keyframes.
namespace gltf {
namespace {

void expectDecomposes(const Mat4& m, const char* what) {
    const std::optional<Pose> pose = decompose(m);
    ASSERT_TRUE(pose) << what;
    const auto& q = pose->rotation;
    EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0, 1e-6) << what;
    const Mat4 back = composedMatrix(*pose);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(back.m[i], m.m[i], 1e-6 * std::max(1.0, std::fabs(m.m[i]))) << what << " " << i;
    }
}

TEST(Pose, TurnsUniformScalesAndMovesInAnyOrderComeBack) {
    SceneNode node;
    node.rotate({0, 0, 1}, 1.570796);
    node.rotate({0, 1, 0}, -1.570796);
    node.translate({1, 1.5, 0});
    expectDecomposes(node.transform, "a shoulder");
    node.scale({0.75, 0.75, 0.75});
    node.rotate({1, 2, 3}, 2.5);
    node.translate({-4, 3, 7});
    expectDecomposes(node.transform, "turned, scaled and moved again");
    // Half a turn, where the quaternion's w is nothing and the other three carry it.
    SceneNode half;
    half.rotate({0, 1, 1}, 3.141592653589793);
    expectDecomposes(half.transform, "half a turn");
    expectDecomposes(Mat4(), "the identity");
}

TEST(Pose, AnythingButTurnUniformScaleAndMoveIsRefused) {
    SceneNode body;  // the figure's body: stretched along y
    body.scale({1, 2, 1});
    body.translate({0, -1, 0});
    EXPECT_FALSE(decompose(body.transform));
    SceneNode mirror;
    mirror.scale({-1, 1, 1});
    EXPECT_FALSE(decompose(mirror.transform));
    Mat4 flat;
    flat.m[10] = 0.0;
    EXPECT_FALSE(decompose(flat));
    Mat4 projective;
    projective.m[3] = 0.5;
    EXPECT_FALSE(decompose(projective));
    // A shear: far below what a double would show, far above single precision.
    Mat4 sheared;
    sheared.m[4] = 1e-5;
    EXPECT_FALSE(decompose(sheared));
    sheared.m[4] = 1e-9;
    EXPECT_TRUE(decompose(sheared)) << "a shear below single precision is no shear";
}

TEST(PoseTracks, NodesThatMoveAlikeShareATrackThatHoldsForThousandsOfSteps) {
    // A tree of depth 3 below a still holder, and a swinging chain of 3.
    SceneNode holder;
    BallTree* tree = new BallTree(3);
    holder.addChild(tree);
    SwingingLimb* chain = new SwingingLimb(3, true);
    holder.addChild(chain);
    std::vector<const SceneNode*> nodes{&holder, tree};
    for (const SceneNode* ball : tree->children) {
        nodes.push_back(ball);
        nodes.insert(nodes.end(), ball->children.begin(), ball->children.end());
    }
    nodes.push_back(chain);
    nodes.push_back(chain->children.front());
    nodes.push_back(chain->children.front()->children.front());

    PoseTracks tracks(nodes);
    constexpr int steps = 6000;
    for (int step = 0; step < steps; ++step) {
        holder.animate();
        tree->animate();
        for (SceneNode* ball : tree->children) {
            ball->animate();
            for (SceneNode* leaf : ball->children) {
                leaf->animate();
            }
        }
        for (SceneNode* limb = chain; limb != nullptr;
             limb = limb->children.empty() ? nullptr : limb->children.front()) {
            limb->animate();
        }
        tracks.sample();
    }
    ASSERT_EQ(tracks.keyframeCount(), steps + 1);
    EXPECT_FALSE(tracks.moves(0)) << "the holder";
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        EXPECT_TRUE(tracks.moves(i)) << i;
        EXPECT_EQ(tracks.firstUndecomposable(i), -1) << i;
    }
    // Nodes: holder, tree, right (its two), left (its two), three limbs.
    EXPECT_EQ(tracks.track(2), tracks.track(3)) << "right ball and its right child";
    EXPECT_EQ(tracks.track(3), tracks.track(6)) << "both right children";
    EXPECT_EQ(tracks.track(5), tracks.track(7)) << "left children";
    EXPECT_NE(tracks.track(2), tracks.track(5));
    EXPECT_NE(tracks.track(1), tracks.track(2));
    EXPECT_EQ(tracks.track(9), tracks.track(10)) << "limbs below the first";
    EXPECT_NE(tracks.track(8), tracks.track(9));

    for (std::size_t i = 1; i < nodes.size(); ++i) {
        const std::vector<Pose> poses = tracks.poses(i);
        ASSERT_EQ(poses.size(), static_cast<std::size_t>(steps + 1));
        EXPECT_TRUE(agreesToSinglePrecision(composedMatrix(poses.back()), nodes[i]->transform,
                                            poses.back().scale))
            << "node " << i << " after " << steps << " steps";
        // Neighbouring keyframes turn the short way.
        for (std::size_t k = 1; k < poses.size(); ++k) {
            const auto& a = poses[k - 1].rotation;
            const auto& b = poses[k].rotation;
            ASSERT_GT(a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3], 0.99f)
                << "node " << i << " step " << k;
        }
    }
}

}  // namespace
}  // namespace gltf
