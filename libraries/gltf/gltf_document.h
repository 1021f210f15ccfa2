#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// tinygltf without its image loading: the exported files hold no images.
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include <tiny_gltf.h>

#include "libraries/gltf/gltf_format.h"
#include "libraries/gltf/pose.h"
#include "libraries/gltf/recorded_shape.h"
#include "math/mat4.h"

namespace gltf {

// A glTF 2.0 document of one scene, built node by node, with all its data in one buffer.
// Equal things are stored once: a mesh for every different shape, an accessor for every
// different primitive's data, one set of keyframe outputs for every different track.
//
// glTF holds single precision, the models double. Where each value is rounded: vertices and
// normals as the GL subset rounds them (glVertex3dv and glNormal3dv, as GL does); a still
// node's matrix by the reader, from the doubles written as stored; an animated node's
// translation, rotation and scale, and every keyframe's, here, each pose checked to rebuild
// its matrix to single precision (pose.h).
class GltfDocument {
  public:
    GltfDocument();

    // The mesh that draws `shape`, made on first use; -1 for a shape that draws nothing.
    int meshFor(const RecordedShape& shape);

    // Appends a node, a child of `parent` (after its other children) or, for -1, the root of
    // the scene. Returns its index. The transform is the identity until set.
    int addNode(const std::string& name, int parent, int mesh);

    // The node's local transform as a matrix. The doubles are written as they are; a reader
    // rounds them to single precision, as OpenGL does the matrices the viewer hands it.
    void setMatrix(int node, const Mat4& matrix);

    // The node's local transform as translation, rotation and scale.
    void setPose(int node, const Pose& pose);

    // Animates the node through `poses`, one per keyframe at the rate given: a translation,
    // rotation and scale channel. Nodes of the same `track` must have the same poses; they
    // share their keyframes' data.
    void animate(int node, const std::vector<Pose>& poses, std::uint32_t track, int rate);

    // Gives the primitives of the mesh listed in `moving` (ascending) a morph target for each
    // coordinate of each of their vertices, a displacement of 1 along it, vertex after vertex,
    // primitive after primitive; the mesh's other primitives get as many targets that move
    // nothing. A node's weights are then the moving vertices' displacements themselves.
    void addMorphTargets(int mesh, const std::vector<std::size_t>& moving);

    // Animates the node's morph weights: `weights` holds one list per keyframe, one after the
    // other. Nodes of the same `track` must have the same weights; they share them.
    void animateWeights(int node, const std::vector<float>& weights, int keyframes,
                        std::uint32_t track, int rate);

    // The whole file, into `bytes`; the reason it cannot be written, or nothing.
    std::optional<std::string> serialise(GltfFormat format, std::string& bytes);

  private:
    struct Outputs {
        int translation;
        int rotation;
        int scale;
    };

    // A new accessor over a new buffer view holding `data`.
    int addAccessor(const void* data, std::size_t bytes, int componentType, int type,
                    std::size_t count, int target);
    int addFloats(const std::vector<float>& values, int type, bool withBounds, int target);
    int primitiveFor(const RecordedPrimitive& primitive);
    int materialFor(const std::array<float, 4>& colour);
    int keyframeTimes(int count, int rate);
    // Channels with the same keyframe times and values share one sampler.
    void addChannel(int node, const char* path, int input, int output);
    // A morph target's positions: every vertex still, or one moved by 1 along one axis.
    int stillTarget(std::size_t vertices);
    int unitTarget(std::size_t vertices, std::size_t vertex, int axis);

    std::vector<unsigned char>& data() { return model_.buffers[0].data; }

    tinygltf::Model model_;
    std::unordered_map<std::string, int> meshes_;
    std::unordered_map<std::string, int> primitives_;
    std::vector<tinygltf::Primitive> primitiveList_;
    std::map<std::array<float, 4>, int> materials_;
    std::unordered_map<std::uint32_t, Outputs> outputs_;
    std::unordered_map<std::uint32_t, int> weightOutputs_;
    std::map<std::pair<int, int>, int> samplers_;
    std::map<std::size_t, int> stillTargets_;
    std::map<std::array<std::size_t, 3>, int> unitTargets_;
    int times_ = -1;
};

}  // namespace gltf
