#pragma once

#include <cstddef>
#include <list>
#include <optional>

#include "math/mat4.h"
#include "math/ray.h"
#include "math/vec3.h"
#include "scene/node_label.h"
#include "scene/transform_step.h"

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
    virtual void draw() const {}
    // How far along `ray`, given in this node's local frame, the ray first meets the shape that
    // draw() draws (in multiples of the ray's direction); nothing when it misses, or the node
    // draws no shape. The children are not met here.
    virtual std::optional<double> hit(const Ray& ray) const;
    // One step of this node's own animation.
    virtual void animate() {}

    void translate(const Vec3& v);
    void scale(const Vec3& v);
    // Turns by -angle about the axis under the right-hand rule (see Mat4::setRotation).
    void rotate(const Vec3& axis, double angle);
    // The translate, scale or rotate that `step` describes.
    void applyStep(const TransformStep& step);

    // A new node of this class with this node's transform and state, and no children; the
    // caller owns it. Copying a subtree copies each of its nodes this way.
    virtual SceneNode* copyAlone() const;

    // Appends and takes ownership of child, and hands it back for further setting up.
    SceneNode* addChild(SceneNode* child);

    // The class's name, as an outline of the model shows it.
    virtual const char* className() const { return "SceneNode"; }
    // What a node of this class is called when nothing above it names it (the first limb of
    // a chain, the top ball of a tree); nothing for a class that has no name of its own.
    virtual std::optional<NodeLabel> ownLabel() const { return std::nullopt; }
    // What this node, labelled `own`, calls its child at `position` (from 0); nothing when its
    // class does not name its children.
    virtual std::optional<NodeLabel> childLabel(const NodeLabel& own, std::size_t position) const;

    // The steps by which this node's class placed its child at `position` when it built it;
    // nothing when the class builds no children. One list serves the building and the reader.
    virtual std::optional<TransformSteps> childSteps(std::size_t position) const;
    // Where this class's animation acts: in the parent's frame, before the rest transform (a
    // ball circling its parent's axis), or in the node's own frame, after it (a limb swinging
    // about its joint). The two agree for the rest a node is built with; they differ once the
    // rest is edited, and say what the motion keeps doing then.
    virtual bool movesInOwnFrame() const { return false; }
};
