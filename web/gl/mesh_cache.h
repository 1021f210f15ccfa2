#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "libraries/gl_subset/primitive_sink.h"

// Geometry that the viewer draws again and again, kept where the renderer draws it from: a
// mesh per distinct glutSolidSphere (by its slices and stacks; the radius scales the unit
// sphere when it is drawn) and per distinct glBegin/glEnd block of triangles (by its vertices
// in object space and their order), made once and drawn as often as it comes. What one frame
// did not draw is let go when the frame ends, so the meshes kept are those of the last frame,
// and a rebuilt model's old shapes are gone one frame after it.
namespace web_gl {

// A mesh's vertex as the renderer keeps it: where it lies in object space, and its normal.
struct MeshVertex {
    float position[3];
    float normal[3];
};

using MeshId = std::uint32_t;

// Where meshes are made and let go: the WebGL side in the browser.
class MeshStore {
  public:
    virtual ~MeshStore() = default;
    // A mesh of these vertices, drawn as the triangles `corners` gives in threes.
    virtual MeshId make(std::span<const MeshVertex> vertices,
                        std::span<const std::uint16_t> corners) = 0;
    virtual void release(MeshId mesh) = 0;
};

class MeshCache {
  public:
    explicit MeshCache(MeshStore& store) : store_(store) {}
    ~MeshCache();
    MeshCache(const MeshCache&) = delete;
    MeshCache& operator=(const MeshCache&) = delete;

    // The unit sphere of glutSolidSphere's mesh for these counts (slices >= 1, stacks >= 2),
    // its points its normals; nothing when it has more vertices than 16-bit indices reach.
    std::optional<MeshId> sphere(int slices, int stacks);
    // A block of triangles as the GL subset hands it over; nothing when it has more vertices
    // than 16-bit indices reach. Vertices are the same when their positions and normals are
    // the same to the bit; their colours are the draw's, not the mesh's.
    std::optional<MeshId> triangles(std::span<const gl_subset::Vertex> vertices,
                                    std::span<const std::uint32_t> corners);

    // Lets go of every mesh that was not asked for since the last call.
    void endFrame();
    std::size_t size() const { return spheres_.size() + blocks_.size(); }

  private:
    struct Entry {
        MeshId mesh;
        std::uint64_t frame;
    };

    MeshStore& store_;
    std::uint64_t frame_ = 0;
    std::map<std::pair<int, int>, Entry> spheres_;
    // Keyed by the block's bytes: positions and normals, then the corners.
    std::unordered_map<std::string, Entry> blocks_;
    std::string key_;
    std::vector<MeshVertex> vertices_;
    std::vector<std::uint16_t> corners_;
};

}  // namespace web_gl
