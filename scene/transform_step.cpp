#include "scene/transform_step.h"

#include <cmath>
#include <cstdio>

namespace {

// Up to six decimals, without trailing zeros; rounding noise such as 2e-17 reads as 0.
std::string number(double value) {
    if (std::fabs(value) < 5e-7) {
        value = 0.0;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string out = text;
    out.erase(out.find_last_not_of('0') + 1);
    if (out.back() == '.') {
        out.pop_back();
    }
    return out == "-0" ? "0" : out;
}

std::string triple(const Vec3& v) {
    return "(" + number(v.x) + ", " + number(v.y) + ", " + number(v.z) + ")";
}

constexpr double degreesPerRadian = 180.0 / 3.14159265358979323846;

}  // namespace

Mat4 TransformStep::matrix() const {
    Mat4 op;
    switch (kind) {
        case Kind::translate:
            op.setTranslation(value);
            break;
        case Kind::scale:
            op.setScaling(value);
            break;
        case Kind::rotate:
            op.setRotation(value, angle);
            break;
        case Kind::matrix:
            op = given;
            break;
    }
    return op;
}

std::string TransformStep::describe() const {
    switch (kind) {
        case Kind::translate:
            return "translate " + triple(value);
        case Kind::scale:
            return "scale " + triple(value);
        case Kind::rotate:
            return "rotate " + axisName(value) + " " + number(angle * degreesPerRadian) + "°";
        case Kind::matrix:
            return "matrix";
    }
    return {};
}

Mat4 restMatrix(std::span<const TransformStep> steps) {
    Mat4 rest;
    for (const TransformStep& step : steps) {
        rest.premultiply(step.matrix());
    }
    return rest;
}

std::string axisName(const Vec3& axis) {
    if (axis.y == 0.0 && axis.z == 0.0 && axis.x > 0.0) {
        return "x";
    }
    if (axis.x == 0.0 && axis.z == 0.0 && axis.y > 0.0) {
        return "y";
    }
    if (axis.x == 0.0 && axis.y == 0.0 && axis.z > 0.0) {
        return "z";
    }
    return triple(axis);
}
