#pragma once

#include "math/vec3.h"
#include "scene/scene_node.h"

// A capsule-like segment along local +z from z = 0 to z = limbLength: the side of a cylinder
// of ten by ten flat quads, closed by a sphere of the same radius at each end.
class Limb : public SceneNode {
  public:
    double radius;
    double limbLength;

    Limb(double radius_, double limbLength_) : radius(radius_), limbLength(limbLength_) {}

    // The cylinder's point at u around the axis (turning from +x towards -y) and v along it.
    Vec3 surfacePoint(float u, float v) const;

    void draw() const override;
    // The capsule that draw() draws, its ten by ten facets taken as round: the side of the
    // cylinder of its radius from z = 0 to z = limbLength, and the sphere at each end.
    std::optional<double> hit(const Ray& ray) const override;
    const char* className() const override { return "Limb"; }
    SceneNode* copyAlone() const override;
};
