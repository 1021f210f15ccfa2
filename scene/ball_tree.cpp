#include "scene/ball_tree.h"

#include <GL/gl.h>

#include <array>
#include <string>

namespace {

// The stored constant, not quite pi/300 (0.010471975511965976): a turn takes about 600 steps.
constexpr double spinStep = 0.010471666666666667;

// Moved first, then scaled, so a child's centre lands at (+-3, -2.25, 0).
std::array<TransformStep, 2> childPlacementSteps(double side) {
    return {TransformStep::translate({4.0 * side, -3.0, 0.0}),
            TransformStep::scale({0.75, 0.75, 0.75})};
}

// Every child of every ball gets the same matrix, and every step the same turn: they are formed
// once, by the very operations that would otherwise run for each node, so the transforms are
// the same to the bit.
const Mat4& rightPlacement() {
    static const Mat4 placement = restMatrix(childPlacementSteps(1.0));
    return placement;
}

const Mat4& leftPlacement() {
    static const Mat4 placement = restMatrix(childPlacementSteps(-1.0));
    return placement;
}

const Mat4& spin() {
    static const Mat4 turn = [] {
        Mat4 m;
        m.setRotation({0.0, 1.0, 0.0}, spinStep);
        return m;
    }();
    return turn;
}

}  // namespace

BallTree::BallTree(int depth) : Ball(1.0) {
    if (depth > 1) {
        SceneNode* right = new BallTree(depth - 1);
        right->transform = rightPlacement();
        addChild(right);

        SceneNode* left = new BallTree(depth - 1);
        left->transform = leftPlacement();
        addChild(left);
    }
}

void BallTree::draw() const {
    if (!children.empty()) {
        const Vec3 centre;
        glColor3f(1.0f, 0.0f, 0.0f);
        glLineWidth(3.0f);
        glBegin(GL_LINES);
        for (const SceneNode* child : children) {
            const Vec3 childCentre = child->transform.transformPoint(centre);
            glVertex3dv(centre.data());
            glVertex3dv(childCentre.data());
        }
        glEnd();
        // Nodes that set no colour of their own are drawn in the white that this restores.
        glLineWidth(1.0f);
        glColor3f(1.0f, 1.0f, 1.0f);
    }
    Ball::draw();
}

std::optional<NodeLabel> BallTree::ownLabel() const {
    return NodeLabel{"ball 1", {}, 1, {}};
}

std::optional<NodeLabel> BallTree::childLabel(const NodeLabel& own, std::size_t position) const {
    if (position > 1 || own.number == 0) {
        return std::nullopt;
    }
    const std::uint64_t number = 2 * own.number + position;
    return NodeLabel{"ball " + std::to_string(number), {}, number, {}};
}

std::optional<TransformSteps> BallTree::childSteps(std::size_t position) const {
    if (position > 1) {
        return std::nullopt;
    }
    const std::array<TransformStep, 2> steps = childPlacementSteps(position == 0 ? 1.0 : -1.0);
    return TransformSteps(steps.begin(), steps.end());
}

const Mat4& BallTree::childPlacement(std::size_t position) {
    return position == 0 ? rightPlacement() : leftPlacement();
}

// The same as rotate({0, 1, 0}, spinStep), without forming the turn again.
void BallTree::animate() {
    transform.premultiply(spin());
}

SceneNode* BallTree::copyAlone() const {
    // A tree of one level builds no children.
    auto* copy = new BallTree(1);
    copy->radius = radius;
    copy->transform = transform;
    return copy;
}
