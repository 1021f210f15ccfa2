#pragma once

#include <span>

#include "libraries/gl_subset/primitive_sink.h"
#include "libraries/gltf/recorded_shape.h"
#include "scene/scene_node.h"

namespace gltf {

// Records what the GL subset draws into a RecordedShape, carried by the modelview matrix of
// each draw (a limb moves its far end there) into the frame the matrix was loaded with.
//
// What a glTF reader expects and the viewer's GL does not ask for is made good here: normals
// are carried to unit length (the viewer's limbs give theirs the length of their radius, and
// GL lights them as they are); and each triangle is wound counter-clockwise seen from the side
// its normals face, as glTF takes a triangle's front from its winding (the limb's quads run
// clockwise seen from outside, and the sphere's strip triangles alternate, which the viewer,
// drawing without face culling, never shows). Consecutive draws of one kind and colour are
// joined into one primitive.
class ShapeRecorder : public gl_subset::PrimitiveSink {
  public:
    // With `positionsOnly`, only the vertices' positions are kept: no normals, no indices.
    explicit ShapeRecorder(bool positionsOnly = false) : positionsOnly_(positionsOnly) {}

    // Starts a new shape; what was recorded so far is handed over and forgotten.
    RecordedShape take();

    void draw(gl_subset::Primitive kind, std::span<const gl_subset::Vertex> vertices,
              std::span<const std::uint32_t> corners) override;
    void setCapability(unsigned int, bool) override {}
    void setLight(unsigned int, unsigned int, const float*) override {}
    void clear(unsigned int) override {}
    void clearColour(float, float, float, float) override {}
    void finish() override {}

  private:
    bool positionsOnly_;
    RecordedShape shape_;
};

// What the node's own draw emits, in its own frame, through a ShapeRecorder. The draw starts
// as the viewer's do: the modelview matrix the identity, white, lines 1 wide.
RecordedShape recordDraw(const SceneNode* node, bool positionsOnly);

}  // namespace gltf
