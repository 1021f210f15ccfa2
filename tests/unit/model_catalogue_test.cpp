#include "app/model_catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "app_state.h"
#include "scene/ball.h"
#include "scene/ball_tree.h"
#include "scene/ball_tree_builder.h"
#include "scene/limb.h"
#include "scene/swinging_limb.h"
#include "tree_queries.h"
#include "vec3_expectations.h"

namespace {

// The matrix from a node's frame to the frame of the first node of the path (the world, when
// the path starts at a model's root).
Mat4 worldMatrix(std::initializer_list<const SceneNode*> path) {
    Mat4 world;
    for (const SceneNode* node : path) {
        world = world.multiply(node->transform);
    }
    return world;
}

Vec3 origin(const Mat4& m) {
    return m.transformPoint({});
}

// Where the local axis (a unit vector) points in the world.
Vec3 axis(const Mat4& m, const Vec3& local) {
    const Vec3 o = origin(m);
    const Vec3 p = m.transformPoint(local);
    return {p.x - o.x, p.y - o.y, p.z - o.z};
}

// The layout is checked to well within the size of a pixel.
constexpr double placement = 1e-5;

class Catalogue : public ::testing::Test {
  protected:
    void SetUp() override { resetApplication(); }
    void TearDown() override { resetApplication(); }
};

TEST_F(Catalogue, AddModelAppendsAndTheFirstEntryBecomesTheFirstPosition) {
    SceneNode* a = new SceneNode;
    SceneNode* b = new SceneNode;
    ModelSlot* first = addModel(a);
    EXPECT_EQ(first->root, a);
    EXPECT_EQ(*modelList.begin(), first);
    ModelSlot* second = addModel(b);
    ASSERT_EQ(modelList.size(), 2u);
    EXPECT_EQ(modelList.back(), second);
    EXPECT_EQ(second->root, b);
}

TEST_F(Catalogue, BuildSceneHoldsChainFigureFanTreeWithTheChainCurrent) {
    buildScene();
    ASSERT_EQ(modelList.size(), 4u);
    EXPECT_EQ(currentModel, modelList.begin());
    EXPECT_EQ(*modelList.begin(), chainSlot);
    EXPECT_EQ(modelList.back(), treeSlot);
    EXPECT_NE(dynamic_cast<SwingingLimb*>(chainSlot->root->children.front()), nullptr);
    EXPECT_NE(dynamic_cast<BallTree*>(treeSlot->root), nullptr);
    EXPECT_EQ(nodeCount(modelRoot(1)), 13u);
    EXPECT_EQ(nodeCount(modelRoot(2)), 141u);
    EXPECT_EQ(camera.eye, Vec3(15, 15, 15));
}

TEST_F(Catalogue, RecursiveModelsFollowTheDepthAndTheOthersDoNot) {
    for (int depth : {1, 2, 3, 6}) {
        resetApplication();
        buildSceneAtDepth(depth);
        EXPECT_EQ(nodeCount(modelRoot(0)), 1u + depth) << "depth " << depth;
        EXPECT_EQ(nodeCount(modelRoot(1)), 13u) << "depth " << depth;
        EXPECT_EQ(nodeCount(modelRoot(2)), 141u) << "depth " << depth;
        EXPECT_EQ(nodeCount(modelRoot(3)), (1u << depth) - 1) << "depth " << depth;
    }
}

TEST_F(Catalogue, ChainStartsAtMinusSixAlongPlusZ) {
    SceneNode* root = buildChainModel(1);
    const SceneNode* limb = root->children.front();
    const Mat4 world = worldMatrix({root, limb});
    EXPECT_EQ(origin(world), Vec3(0, 0, -6));
    EXPECT_EQ(axis(world, {0, 0, 1}), Vec3(0, 0, 1));
    // The chain swings about its own y axis, the vertical line through (0, 0, -6).
    EXPECT_EQ(axis(world, {0, 1, 0}), Vec3(0, 1, 0));
    ASSERT_EQ(limb->children.size(), 0u);
    delete root;
}

TEST_F(Catalogue, TreeTopBallIsAtFourOnTheYAxis) {
    SceneNode* root = buildTreeModel(3);
    EXPECT_EQ(origin(root->transform), Vec3(0, 4, 0));
    EXPECT_EQ(nodeCount(root), 7u);
    delete root;
}

TEST_F(Catalogue, FigureHeadAndBody) {
    SceneNode* figure = buildFigureModel();
    ASSERT_EQ(figure->children.size(), 6u);
    const auto* head = dynamic_cast<const Ball*>(childAt(figure, 0));
    const auto* body = dynamic_cast<const Ball*>(childAt(figure, 1));
    ASSERT_TRUE(head && body);
    EXPECT_EQ(head->radius, 1.5);
    EXPECT_EQ(origin(worldMatrix({figure, head})), Vec3(0, 3, 0));
    const Mat4 b = worldMatrix({figure, body});
    EXPECT_EQ(origin(b), Vec3(0, -1, 0));
    // Semi-axes 2, 4 and 2: the ball of radius 2 stretched twice along y.
    EXPECT_EQ(axis(b, {body->radius, 0, 0}), Vec3(2, 0, 0));
    EXPECT_EQ(axis(b, {0, body->radius, 0}), Vec3(0, 4, 0));
    EXPECT_EQ(axis(b, {0, 0, body->radius}), Vec3(0, 0, 2));
    delete figure;
}

TEST_F(Catalogue, FigureArmsPointOutwardsAndSwingInTheFrontPlane) {
    SceneNode* figure = buildFigureModel();
    struct Arm {
        std::size_t index;
        Vec3 shoulder, along, swingAxis;
    };
    for (const Arm& arm : {Arm{2, {-1, 1.5, 0}, {-1, 0, 0}, {0, 0, 1}},
                           Arm{3, {1, 1.5, 0}, {1, 0, 0}, {0, 0, -1}}}) {
        const SceneNode* shoulder = childAt(figure, arm.index);
        ASSERT_EQ(shoulder->children.size(), 1u);
        const auto* limb = dynamic_cast<const SwingingLimb*>(shoulder->children.front());
        ASSERT_NE(limb, nullptr);
        EXPECT_TRUE(limb->isRoot);
        EXPECT_EQ(nodeCount(limb), 3u);
        const Mat4 world = worldMatrix({figure, shoulder, limb});
        expectNear(origin(world), arm.shoulder, placement);
        expectNear(axis(world, {0, 0, 1}), arm.along, placement);
        expectNear(axis(world, {0, 1, 0}), arm.swingAxis, placement);
        // The shoulders turn by the stored 1.570796, a hair short of a quarter turn, which
        // leaves the arm tilted by cos(1.570796); pi/2 would leave about 6e-17.
        EXPECT_NEAR(axis(world, {0, 0, 1}).z, 3.2679489e-7, 1e-13);
    }
    delete figure;
}

TEST_F(Catalogue, FigureLegsPointStraightDownToMinusSix) {
    SceneNode* figure = buildFigureModel();
    for (std::size_t index : {4u, 5u}) {
        const auto* leg = dynamic_cast<const Limb*>(childAt(figure, index));
        ASSERT_NE(leg, nullptr);
        EXPECT_EQ(dynamic_cast<const SwingingLimb*>(leg), nullptr);
        EXPECT_EQ(leg->radius, 0.5);
        const Mat4 world = worldMatrix({figure, leg});
        const double x = index == 4 ? 0.75 : -0.75;
        expectNear(origin(world), {x, -2, 0}, placement);
        const Vec3 foot = world.transformPoint({0, 0, leg->limbLength});
        expectNear(foot, {x, -6, 0}, placement);
        // The stored quarter turn, 1.570796, falls 3.3e-7 short of pi/2, and the legs lean
        // forward by that much.
        EXPECT_NEAR(foot.z, 4 * std::cos(1.570796), 1e-12);
    }
    delete figure;
}

TEST_F(Catalogue, FanSpokesLieInTheHorizontalPlaneWithLocalXDown) {
    SceneNode* fan = buildFanModel();
    ASSERT_EQ(fan->children.size(), 20u);
    EXPECT_EQ(origin(fan->transform), Vec3(0, -2, 0));
    const Vec3 directions[4] = {{0, 0, 1}, {-1, 0, 0}, {0, 0, -1}, {1, 0, 0}};
    for (std::size_t quarter = 0; quarter < 4; ++quarter) {
        const SceneNode* spoke = childAt(fan, 5 * quarter);
        const SceneNode* chain = spoke->children.front();
        EXPECT_EQ(nodeCount(chain), 6u);
        const Mat4 world = worldMatrix({fan, spoke, chain});
        expectNear(origin(world), {0, -2, 0}, placement);
        expectNear(axis(world, {0, 0, 1}), directions[quarter], placement);
        expectNear(axis(world, {1, 0, 0}), {0, -1, 0}, placement);
    }
    delete fan;
}

TEST_F(Catalogue, LastSpokeLeavesAHairWiderGapToTheFirst) {
    SceneNode* fan = buildFanModel();
    auto heading = [&](std::size_t i) {
        const Vec3 d = axis(worldMatrix({childAt(fan, i)}), {0, 0, 1});
        return std::atan2(d.x, d.z);
    };
    // Neighbours are 0.3141592 apart; the last one is at 19 x 0.3141592, so the gap that closes
    // the circle is 2 pi - 19 x 0.3141592, not 0.3141592.
    const double step = std::remainder(heading(0) - heading(1), 2 * std::numbers::pi);
    EXPECT_NEAR(step, 0.3141592, 1e-12);
    const double closingGap = std::remainder(heading(19) - heading(0), 2 * std::numbers::pi);
    EXPECT_NEAR(closingGap, 2 * std::numbers::pi - 19 * 0.3141592, 1e-12);
    EXPECT_GT(closingGap - step, 2e-7);
    delete fan;
}

struct Loud : SceneNode {
    ~Loud() override { std::fputs("node destroyed\n", stderr); }
};

// Kept reachable to the end, as the viewer keeps its chain and tree models.
Loud* keptToTheEnd = nullptr;

TEST_F(Catalogue, ExitReleasesTheListButDestroysNoNode) {
    EXPECT_EXIT(
        {
            keptToTheEnd = new Loud;
            addModel(keptToTheEnd);
            buildScene();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), ::testing::Not(::testing::HasSubstr("destroyed")));
}

}  // namespace

namespace {

// Every node's class and transform, parents first, as bytes.
std::string treeBytes(const SceneNode& root) {
    std::string bytes;
    std::vector<const SceneNode*> pending{&root};
    while (!pending.empty()) {
        const SceneNode* node = pending.back();
        pending.pop_back();
        bytes += node->className();
        bytes += std::to_string(node->children.size());
        bytes.append(reinterpret_cast<const char*>(node->transform.m), sizeof node->transform.m);
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
            pending.push_back(*child);
        }
    }
    return bytes;
}

// A tree built ahead, a slice at a time of any size, is the tree the constructor builds, to the
// bit; and the depth key that moves to its depth takes it, leaving the models as building them
// there would.
TEST_F(Catalogue, ATreeBuiltAheadInSlicesIsTheTreeTheDepthKeyWouldBuild) {
    for (int depth = 1; depth <= 9; ++depth) {
        for (const std::uint64_t slice : {1u, 3u, 64u, 100000u}) {
            BallTreeBuilder builder(depth);
            int calls = 0;
            while (!builder.advance(slice)) {
                ++calls;
            }
            EXPECT_EQ(builder.built(), builder.total());
            if (slice == 1 && depth >= 3) {
                EXPECT_GE(calls, 2) << "a slice builds no more than it is given";
            }
            const std::unique_ptr<BallTree> built(builder.release());
            const std::unique_ptr<BallTree> expected(new BallTree(depth));
            ASSERT_EQ(treeBytes(*built), treeBytes(*expected)) << "depth " << depth;
        }
    }

    buildScene();
    raiseRecursionDepth();
    const std::string direct = treeBytes(*treeSlot->root) + treeBytes(*chainSlot->root);
    lowerRecursionDepth();
    ASSERT_EQ(prepareDepth(2), Preparation::started);
    EXPECT_EQ(preparingProgress(), (std::pair<std::uint64_t, std::uint64_t>{1, 3}));
    const SceneNode* shownTree = treeSlot->root;
    EXPECT_TRUE(continuePreparing(10));
    EXPECT_EQ(treeSlot->root, shownTree) << "nothing on screen changes until the key";
    EXPECT_EQ(raiseRecursionDepth(), std::nullopt);
    EXPECT_EQ(preparingDepth(), 0);
    EXPECT_EQ(treeBytes(*treeSlot->root) + treeBytes(*chainSlot->root), direct);
}

}  // namespace
