#include "scene/ball_tree.h"

#include <GL/gl.h>

namespace {

// The stored constant, not quite pi/300 (0.010471975511965976): a turn takes about 600 steps.
constexpr double spinStep = 0.010471666666666667;

}  // namespace

BallTree::BallTree(int depth) : Ball(1.0) {
    if (depth > 1) {
        // Moved first, then scaled, so the children's centres land at (+-3, -2.25, 0).
        SceneNode* right = new BallTree(depth - 1);
        right->translate({4.0, -3.0, 0.0});
        right->scale({0.75, 0.75, 0.75});
        addChild(right);

        SceneNode* left = new BallTree(depth - 1);
        left->translate({-4.0, -3.0, 0.0});
        left->scale({0.75, 0.75, 0.75});
        addChild(left);
    }
}

void BallTree::draw() {
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

void BallTree::animate() {
    rotate({0.0, 1.0, 0.0}, spinStep);
}
