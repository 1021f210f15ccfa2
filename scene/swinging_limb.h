#pragma once

#include <cstdint>

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
};
