#pragma once

#include <optional>
#include <vector>

#include "math/mat4.h"
#include "math/vec3.h"
#include "scene/scene_node.h"

// Which node is drawn under a point of the picture: the ray through the pixel, met with every
// node's shape in the node's own frame (a Ball's sphere, a Limb's capsule of its radius and
// length; the limb's ten facets are taken as round). The nearest hit wins.
struct Ray {
    Vec3 origin;
    Vec3 direction;
};

// The ray through the centre of pixel (x, y) of a width x height picture (y down from the
// top), for the projection times the viewing matrix that drew it (column-major, as GL keeps
// it). Nothing when the matrix cannot be inverted.
std::optional<Ray> rayThroughPixel(const Mat4& projectionTimesView, double x, double y, int width,
                                   int height);

// How far along `ray` (in multiples of its direction, from its origin) it meets the shape of
// `node` in the node's own frame; nothing when it misses or the node draws no shape.
std::optional<double> hitDistance(const SceneNode& node, const Ray& ray);

// The nodes from `root` down to the nearest node whose shape the ray (in the frame that holds
// the root) meets; empty when it meets none.
std::vector<const SceneNode*> pickNode(const SceneNode& root, const Ray& ray);

// The inverse of a 4 x 4 matrix; nothing when it is singular.
std::optional<Mat4> inverseOf(const Mat4& m);
