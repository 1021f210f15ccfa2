#include "scene/tree_walks.h"

#include <GL/gl.h>

#include <vector>

#include "math/mat4.h"

namespace {

// OpenGL guarantees 32 modelview entries. The camera's matrix takes the first and a node's own
// draw may push one more (a limb's far end), which leaves 30 for the levels of a tree.
constexpr int stackedLevels = 30;

// Below the levels the stack can hold, each node's matrix is formed here and loaded instead of
// pushed: the same picture without a stack overflow, however deep the tree.
void renderUnstacked(SceneNode* node, const Mat4& parent) {
    const Mat4 frame = parent.multiply(node->transform);
    glLoadMatrixd(frame.data());
    node->draw();
    for (SceneNode* child : node->children) {
        renderUnstacked(child, frame);
    }
}

void renderLevel(SceneNode* node, int level) {
    if (level > stackedLevels) {
        Mat4 parent;
        glGetDoublev(GL_MODELVIEW_MATRIX, parent.m);
        renderUnstacked(node, parent);
        glLoadMatrixd(parent.data());
        return;
    }
    glPushMatrix();
    glMultMatrixd(node->transform.data());
    node->draw();
    for (SceneNode* child : node->children) {
        renderLevel(child, level + 1);
    }
    glPopMatrix();
}

}  // namespace

void renderTree(SceneNode* node) {
    renderLevel(node, 1);
}

void animateTree(SceneNode* node) {
    node->animate();
    for (SceneNode* child : node->children) {
        animateTree(child);
    }
}

std::uint64_t countBelow(const SceneNode& node) {
    // Without recursion: a chain can be deeper than the call stack.
    std::uint64_t count = 0;
    std::vector<const SceneNode*> pending(node.children.begin(), node.children.end());
    while (!pending.empty()) {
        const SceneNode* next = pending.back();
        pending.pop_back();
        ++count;
        pending.insert(pending.end(), next->children.begin(), next->children.end());
    }
    return count;
}
