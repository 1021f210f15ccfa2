#include "scene/scene_node.h"

SceneNode::~SceneNode() {
    // First added, first deleted: each child takes its whole subtree with it before the next
    // sibling is touched.
    for (SceneNode* child : children) {
        delete child;
    }
}

void SceneNode::translate(const Vec3& v) {
    Mat4 op;
    op.setTranslation(v);
    transform.premultiply(op);
}

void SceneNode::scale(const Vec3& v) {
    Mat4 op;
    op.setScaling(v);
    transform.premultiply(op);
}

void SceneNode::rotate(const Vec3& axis, double angle) {
    Mat4 op;
    op.setRotation(axis, angle);
    transform.premultiply(op);
}

void SceneNode::applyStep(const TransformStep& step) {
    transform.premultiply(step.matrix());
}

SceneNode* SceneNode::addChild(SceneNode* child) {
    // Ownership passes even when the list cannot grow, so a failed build leaks nothing.
    try {
        children.push_back(child);
    } catch (...) {
        delete child;
        throw;
    }
    return child;
}

SceneNode* SceneNode::copyAlone() const {
    auto* copy = new SceneNode;
    copy->transform = transform;
    return copy;
}

std::optional<NodeLabel> SceneNode::childLabel(const NodeLabel&, std::size_t) const {
    return std::nullopt;
}

std::optional<double> SceneNode::hit(const Ray&) const {
    return std::nullopt;
}

std::optional<TransformSteps> SceneNode::childSteps(std::size_t) const {
    return std::nullopt;
}
