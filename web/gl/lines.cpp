#include "lines.h"

#include <cmath>

namespace web_gl {
namespace {

web_gl::Vertex between(const web_gl::Vertex& a, const web_gl::Vertex& b, float t) {
    web_gl::Vertex v{};
    for (int i = 0; i < 4; ++i) {
        v.clip[i] = a.clip[i] + t * (b.clip[i] - a.clip[i]);
        v.colour[i] = a.colour[i] + t * (b.colour[i] - a.colour[i]);
    }
    return v;
}

// Keeps the part of a-b where distance(v) >= 0.
bool clipAgainst(web_gl::Vertex& a, web_gl::Vertex& b, float (*distance)(const web_gl::Vertex&)) {
    const float da = distance(a);
    const float db = distance(b);
    if (da < 0.0f && db < 0.0f) {
        return false;
    }
    if (da < 0.0f) {
        a = between(a, b, da / (da - db));
    } else if (db < 0.0f) {
        b = between(a, b, da / (da - db));
    }
    return true;
}

}  // namespace

std::optional<std::pair<web_gl::Vertex, web_gl::Vertex>> clipToDepthRange(web_gl::Vertex a,
                                                                          web_gl::Vertex b) {
    const auto nearSide = [](const web_gl::Vertex& v) { return v.clip[3] + v.clip[2]; };
    const auto farSide = [](const web_gl::Vertex& v) { return v.clip[3] - v.clip[2]; };
    if (!clipAgainst(a, b, nearSide) || !clipAgainst(a, b, farSide)) {
        return std::nullopt;
    }
    return std::pair{a, b};
}

std::array<web_gl::Vertex, 4> widen(const web_gl::Vertex& a, const web_gl::Vertex& b, float width,
                                    int viewportWidth, int viewportHeight) {
    const float dx =
        (b.clip[0] / b.clip[3] - a.clip[0] / a.clip[3]) * static_cast<float>(viewportWidth);
    const float dy =
        (b.clip[1] / b.clip[3] - a.clip[1] / a.clip[3]) * static_cast<float>(viewportHeight);
    // Half the width in normalised device coordinates: a viewport spans 2 of them.
    const bool acrossMost = std::fabs(dx) >= std::fabs(dy);
    const int axis = acrossMost ? 1 : 0;
    const float half = width / static_cast<float>(acrossMost ? viewportHeight : viewportWidth);
    std::array<web_gl::Vertex, 4> corners{a, a, b, b};
    corners[0].clip[axis] -= half * a.clip[3];
    corners[1].clip[axis] += half * a.clip[3];
    corners[2].clip[axis] += half * b.clip[3];
    corners[3].clip[axis] -= half * b.clip[3];
    return corners;
}

}  // namespace web_gl
