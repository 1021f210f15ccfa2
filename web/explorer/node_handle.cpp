#include "node_handle.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <span>

#include "node_picking.h"

namespace explorer {
namespace {

constexpr double degreesPerRadian = 180.0 / 3.14159265358979323846;
// Shorter than this in the world, a direction is taken for none.
constexpr double tinyLength = 1e-12;
// The piece of an arm that gives the picture's scale along it at the origin.
constexpr double nearLength = handleArmLength / 64;

Vec3 unitAxis(int axis) {
    return {axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
}

Vec3 scaled(const Vec3& v, double factor) {
    return {v.x * factor, v.y * factor, v.z * factor};
}

// The index of the last step of `kind` for which `fits` holds, or nothing.
template <typename Fits>
std::optional<std::uint32_t> lastStep(const TransformSteps& steps, TransformStep::Kind kind,
                                      Fits fits) {
    for (std::size_t i = steps.size(); i-- > 0;) {
        if (steps[i].kind == kind && fits(steps[i])) {
            return static_cast<std::uint32_t>(i);
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<NodeHandle> nodeHandle(const PictureView& view, const Mat4& stepsFrame,
                                     const TransformSteps& steps, const Mat4& after) {
    const Mat4 node = stepsFrame.multiply(restMatrix(steps)).multiply(after);
    const Vec3 originWorld = node.transformPoint({0.0, 0.0, 0.0});
    const auto origin =
        pixelOfPoint(view.projectionTimesView, originWorld, view.width, view.height);
    if (!origin) {
        return std::nullopt;
    }
    NodeHandle handle;
    handle.origin = *origin;

    const std::optional<std::uint32_t> translate =
        lastStep(steps, TransformStep::Kind::translate, [](const TransformStep&) { return true; });
    // A change of the translate's offset reaches the origin through the steps after it.
    const Mat4 afterTranslate =
        translate ? restMatrix(std::span(steps).subspan(*translate + 1)) : Mat4();

    for (int k = 0; k < 3; ++k) {
        HandleArm& arm = handle.arms[static_cast<std::size_t>(k)];
        arm.tip = *origin;
        const Vec3 along = stepsFrame.transformDirection(unitAxis(k));
        if (!(along.length() > tinyLength)) {
            return std::nullopt;
        }
        const Vec3 tipWorld = originWorld + scaled(along.normalized(), handleArmLength);
        const auto tip = pixelOfPoint(view.projectionTimesView, tipWorld, view.width, view.height);
        if (!tip) {
            continue;  // the arm reaches behind the eye: it stays a point, and drives nothing
        }
        arm.tip = *tip;
        if (!(std::hypot((*tip)[0] - (*origin)[0], (*tip)[1] - (*origin)[1]) >= 1.0)) {
            continue;
        }
        // The picture's scale along the arm where the drag starts, at the origin: a short piece
        // of the arm, since the far end of a long one is drawn smaller or larger.
        const Vec3 nearWorld = originWorld + scaled(along.normalized(), nearLength);
        const auto near =
            pixelOfPoint(view.projectionTimesView, nearWorld, view.width, view.height);
        const double pixels =
            near ? std::hypot((*near)[0] - (*origin)[0], (*near)[1] - (*origin)[1]) : 0.0;
        if (!(pixels > 0.0)) {
            continue;
        }
        if (translate) {
            const double perUnit =
                stepsFrame.transformDirection(afterTranslate.transformDirection(unitAxis(k)))
                    .length();
            if (perUnit > tinyLength) {
                arm.move = HandleMove{*translate, k, steps[*translate].value.data()[k],
                                      nearLength / pixels / perUnit};
            }
        }
        const Vec3 axis = unitAxis(k);
        if (const auto rotate = lastStep(steps, TransformStep::Kind::rotate,
                                         [&](const TransformStep& s) { return s.value == axis; })) {
            arm.turn = HandleTurn{*rotate, steps[*rotate].angle * degreesPerRadian};
        }
    }
    return handle;
}

std::string handleJson(const std::optional<NodeHandle>& handle) {
    using nlohmann::json;
    if (!handle) {
        return "null";
    }
    json arms = json::array();
    constexpr const char* names[] = {"x", "y", "z"};
    for (std::size_t k = 0; k < 3; ++k) {
        const HandleArm& arm = handle->arms[k];
        json move = nullptr;
        if (arm.move) {
            move = {{"step", arm.move->step},
                    {"field", names[arm.move->field]},
                    {"value", arm.move->value},
                    {"unitsPerPixel", arm.move->unitsPerPixel}};
        }
        json turn = nullptr;
        if (arm.turn) {
            turn = {{"step", arm.turn->step}, {"value", arm.turn->value}};
        }
        arms.push_back({{"axis", names[k]},
                        {"tip", {arm.tip[0], arm.tip[1]}},
                        {"move", std::move(move)},
                        {"turn", std::move(turn)}});
    }
    return json({{"origin", {handle->origin[0], handle->origin[1]}}, {"arms", std::move(arms)}})
        .dump();
}

}  // namespace explorer
