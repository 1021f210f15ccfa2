#include "node_handle.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>

#include "node_picking.h"
#include "viewer_projection.h"

namespace explorer {
namespace {

constexpr double pi = 3.14159265358979323846;

Mat4 rotation(const Vec3& axis, double degrees) {
    Mat4 m;
    m.setRotation(axis, degrees * pi / 180);
    return m;
}

Mat4 translation(const Vec3& by) {
    Mat4 m;
    m.setTranslation(by);
    return m;
}

// The viewer's projection times a view from 20 away, turned so that no axis of the world is seen
// end on or flat, for an 800 x 800 picture.
PictureView obliqueView() {
    const Mat4 projection = viewerProjection();
    const Mat4 view = translation({0, 0, -20})
                          .multiply(rotation({1, 0, 0}, -25))
                          .multiply(rotation({0, 1, 0}, 35));
    return {projection.multiply(view), 800, 800};
}

// How far `point` lies from the ray through pixel `pixel`: 0 when it is drawn there.
double offRay(const PictureView& view, const std::array<double, 2>& pixel, const Vec3& point) {
    const std::optional<Ray> ray =
        rayThroughPixel(view.projectionTimesView, pixel[0], pixel[1], view.width, view.height);
    EXPECT_TRUE(ray);
    const Vec3 d = ray->direction.normalized();
    const Vec3 o = point - ray->origin;
    const double along = dot(o, d);
    return (o - Vec3{d.x * along, d.y * along, d.z * along}).length();
}

std::array<double, 2> minus(const std::array<double, 2>& a, const std::array<double, 2>& b) {
    return {a[0] - b[0], a[1] - b[1]};
}

// A node under a turned, shrunk, moved parent, with two turns about z (the later one is the one
// turned), none about y, a translate and a scale after it that doubles every move, and a motion
// of its own after its steps. Its handle stands at its origin with arms of the fixed length along
// the parent's axes, and a drag of 12 pixels along an arm's picture moves its origin 12 pixels
// along that picture (as near as the picture's perspective allows).
TEST(NodeHandle, ArmsLieAlongTheParentsAxesAndTheOriginFollowsADrag) {
    const PictureView view = obliqueView();
    const Mat4 parent = translation({1, -2, 0.5})
                            .multiply(rotation({0, 1, 0}, 40))
                            .multiply(rotation({0, 0, 1}, 15))
                            .multiply([] {
                                Mat4 m;
                                m.setScaling({0.8, 0.8, 0.8});
                                return m;
                            }());
    TransformSteps steps{TransformStep::rotate({0, 0, 1}, 10 * pi / 180),
                         TransformStep::rotate({1, 0, 0}, 20 * pi / 180),
                         TransformStep::rotate({0, 0, 1}, 30 * pi / 180),
                         TransformStep::translate({1, 2, 3}), TransformStep::scale({2, 2, 2})};
    const Mat4 motion = rotation({1, 1, 0}, 50).multiply(translation({0.3, 0, -0.2}));
    const auto originOf = [&](const TransformSteps& s) {
        return parent.multiply(restMatrix(s)).multiply(motion).transformPoint({0, 0, 0});
    };

    const std::optional<NodeHandle> handle = nodeHandle(view, parent, steps, motion);
    ASSERT_TRUE(handle);
    EXPECT_LT(offRay(view, handle->origin, originOf(steps)), 1e-9);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const HandleArm& arm = handle->arms[static_cast<std::size_t>(k)];
        const Vec3 axis =
            parent.transformDirection({k == 0 ? 1.0 : 0.0, k == 1 ? 1.0 : 0.0, k == 2 ? 1.0 : 0.0});
        const Vec3 tipWorld = originOf(steps) + axis.dividedBy(axis.length() / handleArmLength);
        EXPECT_LT(offRay(view, arm.tip, tipWorld), 1e-9);

        ASSERT_TRUE(arm.move);
        EXPECT_EQ(arm.move->step, 3u);
        EXPECT_EQ(arm.move->field, k);
        EXPECT_EQ(arm.move->value, steps[3].value.data()[k]);
        const std::array<double, 2> along = minus(arm.tip, handle->origin);
        const double length = std::hypot(along[0], along[1]);
        ASSERT_GT(length, 20.0);
        TransformSteps moved = steps;
        const double value = arm.move->value + 12 * arm.move->unitsPerPixel;
        (k == 0 ? moved[3].value.x : k == 1 ? moved[3].value.y : moved[3].value.z) = value;
        const std::optional<NodeHandle> after = nodeHandle(view, parent, moved, motion);
        ASSERT_TRUE(after);
        const std::array<double, 2> shift = minus(after->origin, handle->origin);
        EXPECT_NEAR(shift[0], 12 * along[0] / length, 0.25);
        EXPECT_NEAR(shift[1], 12 * along[1] / length, 0.25);
        EXPECT_EQ(after->arms[static_cast<std::size_t>(k)].move->value, value);
    }
    ASSERT_TRUE(handle->arms[0].turn);
    EXPECT_EQ(handle->arms[0].turn->step, 1u);
    EXPECT_NEAR(handle->arms[0].turn->value, 20.0, 1e-12);
    EXPECT_FALSE(handle->arms[1].turn);
    ASSERT_TRUE(handle->arms[2].turn);
    EXPECT_EQ(handle->arms[2].turn->step, 2u);
    EXPECT_NEAR(handle->arms[2].turn->value, 30.0, 1e-12);

    const nlohmann::json json = nlohmann::json::parse(handleJson(handle));
    EXPECT_EQ(json["arms"][2]["axis"], "z");
    EXPECT_EQ(json["arms"][2]["move"]["field"], "z");
    EXPECT_EQ(json["arms"][2]["turn"]["step"], 2);
    EXPECT_TRUE(json["arms"][1]["turn"].is_null());
}

// No handle for a node behind the eye; an arm seen end on, or a node without a translate, drives
// no move.
TEST(NodeHandle, NothingToDragWhereNothingCanBeSeenOrSet) {
    const PictureView view = obliqueView();
    const TransformSteps steps{TransformStep::translate({0, 0, 0})};
    // The eye sits 20 from the world's origin, before the view's turns.
    const Mat4 behind = rotation({0, 1, 0}, 35)
                            .inverse()
                            .value()
                            .multiply(rotation({1, 0, 0}, -25).inverse().value())
                            .multiply(translation({0, 0, 25}));
    EXPECT_FALSE(nodeHandle(view, behind, steps, Mat4()));
    EXPECT_EQ(handleJson(std::nullopt), "null");

    // Turned so that its z axis points half a degree off the eye: under a pixel long.
    const Mat4 facing = rotation({0, 1, 0}, 35)
                            .inverse()
                            .value()
                            .multiply(rotation({1, 0, 0}, -25).inverse().value())
                            .multiply(rotation({1, 0, 0}, 0.5));
    const std::optional<NodeHandle> endOn = nodeHandle(view, facing, steps, Mat4());
    ASSERT_TRUE(endOn);
    EXPECT_GT(std::hypot(endOn->arms[2].tip[0] - endOn->origin[0],
                         endOn->arms[2].tip[1] - endOn->origin[1]),
              0.5);
    EXPECT_TRUE(endOn->arms[0].move);
    EXPECT_FALSE(endOn->arms[2].move);

    const std::optional<NodeHandle> turnsOnly =
        nodeHandle(view, Mat4(), {TransformStep::rotate({0, 1, 0}, 0.0)}, Mat4());
    ASSERT_TRUE(turnsOnly);
    EXPECT_FALSE(turnsOnly->arms[0].move);
    EXPECT_TRUE(turnsOnly->arms[1].turn);
}

}  // namespace
}  // namespace explorer
