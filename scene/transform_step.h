#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "math/mat4.h"
#include "math/vec3.h"

// One of the operations a node's rest transform is made of, as its builder applied it: a
// translate, a scale, or a rotate about a fixed axis; or a whole matrix, the step a node moved
// to another parent gains so that it stays where it was in the world. A node's rest is its steps
// applied in order to the identity, each on the left (SceneNode::translate and friends), so the
// first step acts first.
struct TransformStep {
    enum class Kind : std::uint8_t { translate, scale, rotate, matrix };

    Kind kind = Kind::translate;
    // The offset of a translate, the factors of a scale, the axis of a rotate.
    Vec3 value;
    // A rotate's angle in radians (turning by minus it, as SceneNode::rotate does).
    double angle = 0.0;
    // A matrix step's matrix.
    Mat4 given;

    static TransformStep translate(const Vec3& by) { return {Kind::translate, by, 0.0, {}}; }
    static TransformStep scale(const Vec3& by) { return {Kind::scale, by, 0.0, {}}; }
    static TransformStep rotate(const Vec3& axis, double angle) {
        return {Kind::rotate, axis, angle, {}};
    }
    static TransformStep matrixOf(const Mat4& m) { return {Kind::matrix, {}, 0.0, m}; }

    // The step's matrix, as the node operation of its kind builds it.
    Mat4 matrix() const;
    // What a reader sees: "translate (0, -1, 0)", "scale (1, 2, 1)", "rotate z 90°".
    std::string describe() const;

    bool operator==(const TransformStep&) const = default;
};

using TransformSteps = std::vector<TransformStep>;

// The steps applied in order to the identity: the same matrix, to the bit, as a new node given
// the same translate, scale and rotate calls.
Mat4 restMatrix(std::span<const TransformStep> steps);

// The name of a rotate's axis when it is one of x, y and z ("z"); "(ax, ay, az)" otherwise.
std::string axisName(const Vec3& axis);
