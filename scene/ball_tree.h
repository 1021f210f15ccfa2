#pragma once

#include "scene/ball.h"

// A ball of radius 1 with, above the last level, two children at 0.75 of its size hanging
// below it to either side, joined to it by red lines. Every ball turns about its y axis.
class BallTree : public Ball {
  public:
    // A tree of 2^depth - 1 balls; one ball for any depth of 1 or less.
    explicit BallTree(int depth);

    void draw() const override;
    void animate() override;

    // Balls are numbered level by level from the top, ball 1, so that the children of ball k
    // are balls 2k and 2k + 1.
    const char* className() const override { return "BallTree"; }
    SceneNode* copyAlone() const override;
    std::optional<NodeLabel> ownLabel() const override;
    std::optional<NodeLabel> childLabel(const NodeLabel& own, std::size_t position) const override;
    // Moved to (4, -3, 0) for the first child, (-4, -3, 0) for the second, then scaled to 0.75.
    std::optional<TransformSteps> childSteps(std::size_t position) const override;
    // The transform those steps give the child at `position` (0 or 1), formed once.
    static const Mat4& childPlacement(std::size_t position);
};
