#include "scene/tree_walks.h"

#include <GL/gl.h>

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
