#pragma once

#include <array>
#include <optional>
#include <vector>

#include "math/mat4.h"
#include "math/ray.h"
#include "scene/scene_node.h"

namespace explorer {

// Which node is drawn under a point of the picture: the ray through the pixel, carried into
// every node's own frame and met there with the node's shape (SceneNode::hit: a Ball's sphere,
// a Limb's capsule). The nearest hit wins.

// The ray through the centre of pixel (x, y) of a width x height picture (y down from the
// top), for the projection times the viewing matrix that drew it (column-major, as GL keeps
// it). Nothing when the matrix cannot be inverted.
std::optional<Ray> rayThroughPixel(const Mat4& projectionTimesView, double x, double y, int width,
                                   int height);

// Where `point` (in the frame the matrix starts from) is drawn: canvas pixel (x, y) of a
// width x height picture, y down from the top, the inverse of rayThroughPixel. Nothing when the
// point lies behind the eye.
std::optional<std::array<double, 2>> pixelOfPoint(const Mat4& projectionTimesView,
                                                  const Vec3& point, int width, int height);

// The nodes from `root` down to the nearest node whose shape the ray (in the frame that holds
// the root) meets; empty when it meets none.
std::vector<const SceneNode*> pickNode(const SceneNode& root, const Ray& ray);

}  // namespace explorer
