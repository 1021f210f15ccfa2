#pragma once

#include "scene/ball.h"

// A ball of radius 1 with, above the last level, two children at 0.75 of its size hanging
// below it to either side, joined to it by red lines. Every ball turns about its y axis.
class BallTree : public Ball {
  public:
    // A tree of 2^depth - 1 balls; one ball for any depth of 1 or less.
    explicit BallTree(int depth);

    void draw() override;
    void animate() override;
};
