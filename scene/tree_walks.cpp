#include "scene/tree_walks.h"

#include <GL/gl.h>

#include <vector>

#include "math/mat4.h"

namespace {

// OpenGL guarantees 32 modelview entries. The camera's matrix takes the first and a node's own
// draw may push one more (a limb's far end), which leaves 30 for the levels of a tree.
constexpr int stackedLevels = 30;

// The hook that setRenderHook installed, and the one that the walk under way tells.
RenderHook* installed = nullptr;
RenderHook* telling = nullptr;

// Each walk comes in two: `told` false, as it was before hooks, for a walk with none installed,
// so that having none costs nothing; `told` true tells `telling` of every node.

// Below the levels the stack can hold, each node's matrix is formed here and loaded instead of
// pushed: the same picture without a stack overflow, however deep the tree.
template <bool told>
void renderUnstacked(SceneNode* node, const Mat4& parent) {
    const Mat4 frame = parent.multiply(node->transform);
    glLoadMatrixd(frame.data());
    if constexpr (told) {
        telling->entering(*node);
    }
    node->draw();
    for (SceneNode* child : node->children) {
        renderUnstacked<told>(child, frame);
    }
    if constexpr (told) {
        telling->leaving(*node);
    }
}

template <bool told>
void renderLevel(SceneNode* node, int level) {
    if (level > stackedLevels) {
        Mat4 parent;
        glGetDoublev(GL_MODELVIEW_MATRIX, parent.m);
        renderUnstacked<told>(node, parent);
        glLoadMatrixd(parent.data());
        return;
    }
    glPushMatrix();
    glMultMatrixd(node->transform.data());
    if constexpr (told) {
        telling->entering(*node);
    }
    node->draw();
    for (SceneNode* child : node->children) {
        renderLevel<told>(child, level + 1);
    }
    if constexpr (told) {
        telling->leaving(*node);
    }
    glPopMatrix();
}

}  // namespace

void renderTree(SceneNode* node) {
    if (installed == nullptr) {
        renderLevel<false>(node, 1);
        return;
    }
    telling = installed;
    renderLevel<true>(node, 1);
}

void setRenderHook(RenderHook* hook) {
    installed = hook;
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
