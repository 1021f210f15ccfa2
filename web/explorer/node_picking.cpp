#include "node_picking.h"

#include <limits>

namespace explorer {

std::optional<Ray> rayThroughPixel(const Mat4& projectionTimesView, double x, double y, int width,
                                   int height) {
    const std::optional<Mat4> inverse = projectionTimesView.inverse();
    if (!inverse || width <= 0 || height <= 0) {
        return std::nullopt;
    }
    // Normalised device coordinates: GL's y runs up from the bottom.
    const double nx = 2.0 * (x + 0.5) / width - 1.0;
    const double ny = 1.0 - 2.0 * (y + 0.5) / height;
    const std::optional<Vec3> nearPoint = inverse->projectPoint({nx, ny, -1.0});
    const std::optional<Vec3> farPoint = inverse->projectPoint({nx, ny, 1.0});
    if (!nearPoint || !farPoint) {
        return std::nullopt;
    }
    return Ray{*nearPoint, *farPoint - *nearPoint};
}

std::optional<std::array<double, 2>> pixelOfPoint(const Mat4& projectionTimesView,
                                                  const Vec3& point, int width, int height) {
    const Mat4& m = projectionTimesView;
    const double w = m.m[3] * point.x + m.m[7] * point.y + m.m[11] * point.z + m.m[15];
    if (!(w > 0.0)) {
        return std::nullopt;
    }
    const Vec3 clip = m.transformPoint(point);
    return std::array<double, 2>{(clip.x / w + 1.0) * width / 2.0 - 0.5,
                                 (1.0 - clip.y / w) * height / 2.0 - 0.5};
}

std::vector<const SceneNode*> pickNode(const SceneNode& root, const Ray& ray) {
    // Depth first without recursion, since a chain can be deeper than the call stack; each
    // node's ray in its own frame is its parent's carried by the inverse of its transform.
    // The distances along the ray stay comparable, since the maps are affine.
    struct Visit {
        const SceneNode* node;
        Ray ray;
        std::list<SceneNode*>::const_iterator next;
    };
    std::vector<const SceneNode*> best;
    double bestDistance = std::numeric_limits<double>::infinity();
    std::vector<Visit> path;
    const auto enter = [&](const SceneNode* node, const Ray& outer) {
        const std::optional<Mat4> inverse = node->transform.inverse();
        if (!inverse) {
            return;  // flattened to nothing: nothing in it can be met
        }
        const Ray local = outer.transformedBy(*inverse);
        path.push_back({node, local, node->children.begin()});
        if (const std::optional<double> hit = node->hit(local); hit && *hit < bestDistance) {
            bestDistance = *hit;
            best.clear();
            for (const Visit& v : path) {
                best.push_back(v.node);
            }
        }
    };
    enter(&root, ray);
    while (!path.empty()) {
        Visit& top = path.back();
        if (top.next == top.node->children.end()) {
            path.pop_back();
            continue;
        }
        const SceneNode* child = *top.next;
        ++top.next;
        const Ray outer = top.ray;
        enter(child, outer);
    }
    return best;
}

}  // namespace explorer
