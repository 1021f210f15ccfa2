#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "math/mat4.h"
#include "scene/transform_step.h"

// The handle the page draws over the picture at the selected node's origin, for turning the node
// or moving it with a drag. Its three arms lie along the axes of the frame the node's steps act
// in (the parent's, carried to the node's origin), and each drives one value of one step: "move"
// along arm k sets field k of the node's last translate, "turn" about arm k sets the angle of its
// last rotate about axis k. An arm whose step the node lacks drives nothing.
namespace explorer {

// Where the picture is seen from: the projection times the viewing matrix (column-major, as GL
// keeps it) and the picture's size in pixels.
struct PictureView {
    Mat4 projectionTimesView;
    int width = 0;
    int height = 0;
};

// The arms' length in the world's units, whatever the node's scale.
inline constexpr double handleArmLength = 2.0;

struct HandleMove {
    std::uint32_t step = 0;
    int field = 0;  // 0 x, 1 y, 2 z
    double value = 0.0;
    // The value's change for a drag of one pixel along the arm as the picture shows it: the node's
    // origin then moves as far as one pixel of the arm spans in the world, at the origin.
    double unitsPerPixel = 0.0;
};

struct HandleTurn {
    std::uint32_t step = 0;
    double value = 0.0;  // degrees
};

struct HandleArm {
    std::array<double, 2> tip{};  // canvas pixels, y down
    std::optional<HandleMove> move;
    std::optional<HandleTurn> turn;
};

struct NodeHandle {
    std::array<double, 2> origin{};  // canvas pixels, y down
    std::array<HandleArm, 3> arms;   // x, y, z
};

// The handle of a node whose rest is `steps`, acting in `stepsFrame` (world coordinates), with
// `after` following its rest in its own frame (its motion, for a node that moves in its own
// frame; else the identity). Nothing when its origin is behind the eye or its frame is flat.
// An arm seen end on (shorter than a pixel) drives nothing.
std::optional<NodeHandle> nodeHandle(const PictureView& view, const Mat4& stepsFrame,
                                     const TransformSteps& steps, const Mat4& after);

// {"origin": [x, y], "arms": [{"axis", "tip", "move", "turn"} for x, y, z]}, "move" being
// {"step", "field" ("x", "y" or "z"), "value", "unitsPerPixel"} or null and "turn" {"step",
// "value"} or null; "null" for no handle.
std::string handleJson(const std::optional<NodeHandle>& handle);

}  // namespace explorer
