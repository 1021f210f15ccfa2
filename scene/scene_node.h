#pragma once

#include <list>

#include "math/mat4.h"
#include "math/vec3.h"

// The base of every node in a model, and by itself a plain grouping node that draws nothing
// but places its children. A node owns its children and maps its local coordinates into its
// parent's with `transform`.
class SceneNode {
  public:
    // Owned; drawn, stepped and deleted in the order they were added.
    std::list<SceneNode*> children;
    // Local to parent. Each translate, scale or rotate multiplies on the left, so it acts after
    // the earlier ones and in the parent's frame: the reverse of glTranslated and friends.
    Mat4 transform;

    SceneNode() = default;
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;
    virtual ~SceneNode();

    // This node's own geometry, in its local frame; the children are not drawn here.
    virtual void draw() {}
    // One step of this node's own animation.
    virtual void animate() {}

    void translate(const Vec3& v);
    void scale(const Vec3& v);
    // Turns by -angle about the axis under the right-hand rule (see Mat4::setRotation).
    void rotate(const Vec3& axis, double angle);

    // Appends and takes ownership of child, and hands it back for further setting up.
    SceneNode* addChild(SceneNode* child);
};
