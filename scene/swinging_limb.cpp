#include "scene/swinging_limb.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace {

// The stored constants: not quite pi/180 (0.017453292519943295), and the swing's amplitude
// per step.
constexpr double phaseStep = 0.01745277777777778;
constexpr double swingStep = 0.012566;

constexpr double length = 3.0;

// Scaled first, then moved: the child's origin sits at this limb's far end, z = 3. Held in
// place, so that building a chain allocates nothing but its limbs.
const std::array<TransformStep, 2>& childPlacement() {
    static const std::array<TransformStep, 2> steps{TransformStep::scale({0.75, 0.75, 0.75}),
                                                    TransformStep::translate({0.0, 0.0, length})};
    return steps;
}

std::string limbName(const std::string& chain, std::uint64_t number) {
    if (chain.empty()) {
        return "limb " + std::to_string(number);
    }
    return number == 1 ? chain : chain + ", limb " + std::to_string(number);
}

}  // namespace

SwingingLimb::SwingingLimb(int depth, bool isRoot_) : Limb(0.5, length), isRoot(isRoot_) {
    if (depth > 1) {
        SceneNode* child = new SwingingLimb(depth - 1, false);
        for (const TransformStep& step : childPlacement()) {
            child->applyStep(step);
        }
        addChild(child);
    }
}

NodeLabel SwingingLimb::chainLabel(const std::string& chain) {
    return {limbName(chain, 1), chain, 1, {}};
}

std::optional<NodeLabel> SwingingLimb::ownLabel() const {
    return chainLabel({});
}

std::optional<NodeLabel> SwingingLimb::childLabel(const NodeLabel& own,
                                                  std::size_t position) const {
    if (position != 0 || own.number == 0) {
        return std::nullopt;
    }
    const std::uint64_t number = own.number + 1;
    return NodeLabel{limbName(own.chain, number), own.chain, number, {}};
}

std::optional<TransformSteps> SwingingLimb::childSteps(std::size_t position) const {
    if (position != 0) {
        return std::nullopt;
    }
    return TransformSteps(childPlacement().begin(), childPlacement().end());
}

void SwingingLimb::animate() {
    // Counted before use. After 2^31 - 1 steps the count wraps to -2^31 instead of overflowing.
    // The cosine is even, so the step at the wrap is exactly the one an unbounded count would
    // give, and the swing runs on smoothly from there.
    frameCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(frameCount) + 1u);
    // A limb below the first turns about its joint, the point (0, 0, 3) of its parent's frame.
    if (!isRoot) {
        translate({0.0, 0.0, -length});
    }
    rotate({0.0, 1.0, 0.0}, std::cos(frameCount * phaseStep) * swingStep);
    if (!isRoot) {
        translate({0.0, 0.0, length});
    }
}

SceneNode* SwingingLimb::copyAlone() const {
    // A chain of one limb builds no children.
    auto* copy = new SwingingLimb(1, isRoot);
    copy->radius = radius;
    copy->limbLength = limbLength;
    copy->frameCount = frameCount;
    copy->transform = transform;
    return copy;
}
