#include "node_picking.h"

#include <cmath>
#include <limits>

#include "scene/ball.h"
#include "scene/limb.h"

namespace {

double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 minus(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 transformDirection(const Mat4& m, const Vec3& d) {
    return {m.m[0] * d.x + m.m[4] * d.y + m.m[8] * d.z, m.m[1] * d.x + m.m[5] * d.y + m.m[9] * d.z,
            m.m[2] * d.x + m.m[6] * d.y + m.m[10] * d.z};
}

// The nearer of the two distances at which a x t^2 + b x t + c = 0 that is ahead of the
// origin (t > 0), if any.
std::optional<double> nearestRoot(double a, double b, double c) {
    if (a <= 0.0) {
        return std::nullopt;
    }
    const double discriminant = b * b - 4.0 * a * c;
    if (discriminant < 0.0) {
        return std::nullopt;
    }
    const double root = std::sqrt(discriminant);
    const double nearer = (-b - root) / (2.0 * a);
    if (nearer > 0.0) {
        return nearer;
    }
    const double farther = (-b + root) / (2.0 * a);
    return farther > 0.0 ? std::optional<double>(farther) : std::nullopt;
}

std::optional<double> sphereHit(const Ray& ray, const Vec3& centre, double radius) {
    const Vec3 o = minus(ray.origin, centre);
    return nearestRoot(dot(ray.direction, ray.direction), 2.0 * dot(o, ray.direction),
                       dot(o, o) - radius * radius);
}

std::optional<double> nearer(std::optional<double> a, std::optional<double> b) {
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return *a < *b ? a : b;
}

// The side of the cylinder along +z from 0 to `length`, then both end spheres.
std::optional<double> capsuleHit(const Ray& ray, double radius, double length) {
    const Vec3& o = ray.origin;
    const Vec3& d = ray.direction;
    std::optional<double> side = nearestRoot(d.x * d.x + d.y * d.y, 2.0 * (o.x * d.x + o.y * d.y),
                                             o.x * o.x + o.y * o.y - radius * radius);
    if (side) {
        const double z = o.z + *side * d.z;
        if (z < 0.0 || z > length) {
            side.reset();
        }
    }
    return nearer(side, nearer(sphereHit(ray, {}, radius), sphereHit(ray, {0, 0, length}, radius)));
}

}  // namespace

std::optional<Mat4> inverseOf(const Mat4& matrix) {
    // Gauss-Jordan elimination with partial pivoting, on rows of [m | I].
    double a[4][8];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            a[i][j] = matrix.m[4 * j + i];
            a[i][4 + j] = i == j ? 1.0 : 0.0;
        }
    }
    for (int column = 0; column < 4; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 4; ++row) {
            if (std::fabs(a[row][column]) > std::fabs(a[pivot][column])) {
                pivot = row;
            }
        }
        if (std::fabs(a[pivot][column]) < 1e-300) {
            return std::nullopt;
        }
        if (pivot != column) {
            for (int j = 0; j < 8; ++j) {
                std::swap(a[pivot][j], a[column][j]);
            }
        }
        const double scale = 1.0 / a[column][column];
        for (int j = 0; j < 8; ++j) {
            a[column][j] *= scale;
        }
        for (int row = 0; row < 4; ++row) {
            if (row != column && a[row][column] != 0.0) {
                const double factor = a[row][column];
                for (int j = 0; j < 8; ++j) {
                    a[row][j] -= factor * a[column][j];
                }
            }
        }
    }
    Mat4 inverse;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            inverse.m[4 * j + i] = a[i][4 + j];
        }
    }
    return inverse;
}

std::optional<Ray> rayThroughPixel(const Mat4& projectionTimesView, double x, double y, int width,
                                   int height) {
    const std::optional<Mat4> inverse = inverseOf(projectionTimesView);
    if (!inverse || width <= 0 || height <= 0) {
        return std::nullopt;
    }
    // Normalised device coordinates: GL's y runs up from the bottom.
    const double nx = 2.0 * (x + 0.5) / width - 1.0;
    const double ny = 1.0 - 2.0 * (y + 0.5) / height;
    const auto unproject = [&](double nz) -> std::optional<Vec3> {
        const double* m = inverse->m;
        const double w = m[3] * nx + m[7] * ny + m[11] * nz + m[15];
        if (w == 0.0) {
            return std::nullopt;
        }
        return Vec3{(m[0] * nx + m[4] * ny + m[8] * nz + m[12]) / w,
                    (m[1] * nx + m[5] * ny + m[9] * nz + m[13]) / w,
                    (m[2] * nx + m[6] * ny + m[10] * nz + m[14]) / w};
    };
    const std::optional<Vec3> nearPoint = unproject(-1.0);
    const std::optional<Vec3> farPoint = unproject(1.0);
    if (!nearPoint || !farPoint) {
        return std::nullopt;
    }
    return Ray{*nearPoint, minus(*farPoint, *nearPoint)};
}

std::optional<double> hitDistance(const SceneNode& node, const Ray& ray) {
    if (const auto* limb = dynamic_cast<const Limb*>(&node)) {
        return capsuleHit(ray, limb->radius, limb->limbLength);
    }
    if (const auto* ball = dynamic_cast<const Ball*>(&node)) {
        return sphereHit(ray, {}, ball->radius);
    }
    return std::nullopt;
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
        const std::optional<Mat4> inverse = inverseOf(node->transform);
        if (!inverse) {
            return;  // flattened to nothing: nothing in it can be met
        }
        const Ray local{inverse->transformPoint(outer.origin),
                        transformDirection(*inverse, outer.direction)};
        path.push_back({node, local, node->children.begin()});
        if (const std::optional<double> hit = hitDistance(*node, local);
            hit && *hit < bestDistance) {
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
