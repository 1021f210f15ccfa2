#pragma once

#include <cstdint>
#include <string>

#include "scene/limb.h"

// A limb of radius 0.5 and length 3 that builds a chain of ever smaller limbs below it, each
// at the far end of the one before, and swings every joint about its local y axis.
class SwingingLimb : public Limb {
  public:
    std::int32_t frameCount = 0;
    bool isRoot;

    // A chain of `depth` limbs; one limb for any depth of 1 or less.
    SwingingLimb(int depth, bool isRoot_);

    void animate() override;

    // The limbs of a chain named "chain 3" are "chain 3", "chain 3, limb 2", ...; those of an
    // unnamed chain, a model by itself, "limb 1", "limb 2", ...
    static NodeLabel chainLabel(const std::string& chain);
    const char* className() const override { return "SwingingLimb"; }
    SceneNode* copyAlone() const override;
    std::optional<NodeLabel> ownLabel() const override;
    std::optional<NodeLabel> childLabel(const NodeLabel& own, std::size_t position) const override;
    // Scaled to 0.75, then moved to this limb's far end, z = 3.
    std::optional<TransformSteps> childSteps(std::size_t position) const override;
    // The swing turns the limb about its own y axis at its joint, after wherever it rests.
    bool movesInOwnFrame() const override { return true; }
};
