#pragma once

#include "scene/scene_node.h"

// A solid sphere at the local origin.
class Ball : public SceneNode {
  public:
    double radius;

    explicit Ball(double radius_) : radius(radius_) {}

    void draw() const override;
    // The sphere of its radius about the origin.
    std::optional<double> hit(const Ray& ray) const override;
    const char* className() const override { return "Ball"; }
    SceneNode* copyAlone() const override;
};
