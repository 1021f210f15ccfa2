#pragma once

#include <array>
#include <optional>

#include "math/mat4.h"

namespace gltf {

// A local transform as glTF animates it, in the single precision glTF stores: a translation,
// a unit rotation quaternion (x, y, z, w) and one scale for all three axes, applied scale
// first, translation last.
struct Pose {
    std::array<float, 3> translation{};
    std::array<float, 4> rotation{0, 0, 0, 1};
    float scale = 1.0f;
};

// The pose of `m`, when m is a rotation times a uniform scale, followed by a translation, to
// single precision: the pose rebuilt (composedMatrix) agrees with m as agreesToSinglePrecision
// says. Nothing when it does not: a scale that differs between axes, a shear, a mirror, a
// projective bottom row. The quaternion is turned to lie on the same side as `near`, so that
// the keyframes of an animation turn the short way between them.
std::optional<Pose> decompose(const Mat4& m, const std::array<float, 4>& near = {0, 0, 0, 1});

// T x R x S of the pose, in double precision from its single-precision values.
Mat4 composedMatrix(const Pose& pose);

// Whether every element of the upper three rows of `a` and `b` differ by at most 8 units of
// single precision (8 x 2^-23) of the larger of the element and the matrix's scale `scale`.
bool agreesToSinglePrecision(const Mat4& a, const Mat4& b, double scale);

}  // namespace gltf
