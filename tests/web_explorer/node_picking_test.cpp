#include "node_picking.h"

#include <gtest/gtest.h>

#include "scene/ball.h"
#include "scene/limb.h"
#include "viewer_projection.h"

namespace explorer {
namespace {

// The viewer's projection times a view from +z at 10 looking at the origin, column-major.
Mat4 frontView() {
    Mat4 view;
    view.setTranslation({0, 0, -10});
    return viewerProjection().multiply(view);
}

// The pixel of an 800 x 800 picture that shows the point (x, y, 0) of the front view.
std::pair<double, double> pixelOf(double x, double y) {
    const double f = 1.0 / std::tan(45.0 / 2 * 3.14159265358979323846 / 180);
    return {(x * f / 10 + 1) * 400 - 0.5, (1 - y * f / 10) * 400 - 0.5};
}

const SceneNode* pickAt(const SceneNode& root, double x, double y) {
    const auto [px, py] = pixelOf(x, y);
    const std::optional<Ray> ray = rayThroughPixel(frontView(), px, py, 800, 800);
    EXPECT_TRUE(ray);
    const std::vector<const SceneNode*> path = pickNode(root, *ray);
    return path.empty() ? nullptr : path.back();
}

// A root with a ball at the origin, a smaller ball in front of it, a limb lying along x to
// the right (turned from +z), and a ball far off, scaled down, as the ball tree's children are.
TEST(NodePicking, TheNearestShapeUnderThePixelInItsOwnFrame) {
    SceneNode root;
    auto* back = static_cast<Ball*>(root.addChild(new Ball(1.0)));
    auto* front = static_cast<Ball*>(root.addChild(new Ball(0.25)));
    front->translate({0.0, 0.0, 2.0});
    auto* limb = static_cast<Limb*>(root.addChild(new Limb(0.5, 3.0)));
    limb->rotate({0.0, 1.0, 0.0}, -1.5707963267948966);
    limb->translate({2.0, 0.0, 0.0});
    auto* scaled = static_cast<Ball*>(limb->addChild(new Ball(1.0)));
    scaled->scale({0.5, 0.5, 0.5});
    scaled->translate({0.0, 2.0, 0.0});

    EXPECT_EQ(pickAt(root, 0.0, 0.0), front);
    EXPECT_EQ(pickAt(root, 0.6, 0.0), back);
    EXPECT_EQ(pickAt(root, 3.5, 0.4), limb);  // the side of the capsule
    EXPECT_EQ(pickAt(root, 5.3, 0.0), limb);  // its far end's sphere
    EXPECT_EQ(pickAt(root, 5.6, 0.0), nullptr);
    // The child's frame is its parent's (the limb's) times its own: 2 up along the limb's y,
    // which is the model's y, halved.
    EXPECT_EQ(pickAt(root, 2.0, 2.4), scaled);
    EXPECT_EQ(pickAt(root, 2.0, 2.6), nullptr);
    EXPECT_EQ(pickNode(root, {{0, 0, 10}, {0, 0, -1}}).size(), 2u);
}

TEST(NodePicking, NothingThroughASingularMatrix) {
    Mat4 flat;
    flat.m[10] = 0.0;
    EXPECT_FALSE(rayThroughPixel(flat, 0, 0, 800, 800));
}

// A node is met as its own class says (SceneNode::hit), in its own frame, whatever its class.
TEST(NodePicking, EachNodeSaysWhereTheRayMeetsItsShape) {
    // A plane at z = 0 of its own frame, met from either side.
    struct Plane : SceneNode {
        std::optional<double> hit(const Ray& ray) const override {
            if (ray.direction.z == 0.0) {
                return std::nullopt;
            }
            const double t = -ray.origin.z / ray.direction.z;
            return t > 0.0 ? std::optional<double>(t) : std::nullopt;
        }
    };
    SceneNode root;
    auto* plane = root.addChild(new Plane);
    plane->translate({0, 0, -3});
    auto* ball = static_cast<Ball*>(root.addChild(new Ball(1.0)));
    EXPECT_EQ(pickAt(root, 0.0, 0.0), ball);
    EXPECT_EQ(pickAt(root, 4.0, 4.0), plane);
    plane->translate({0, 0, 10});  // now in front of the ball, at z = 7
    EXPECT_EQ(pickAt(root, 0.0, 0.0), plane);
}

}  // namespace
}  // namespace explorer
