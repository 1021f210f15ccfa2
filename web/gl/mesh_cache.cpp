#include "mesh_cache.h"

#include <cstring>
#include <limits>

#include "libraries/gl_subset/sphere.h"

namespace web_gl {
namespace {

constexpr std::size_t indexLimit = std::numeric_limits<std::uint16_t>::max() + std::size_t{1};

template <typename Entries>
void releaseUnused(Entries& entries, std::uint64_t frame, MeshStore& store) {
    for (auto it = entries.begin(); it != entries.end();) {
        if (it->second.frame != frame) {
            store.release(it->second.mesh);
            it = entries.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

MeshCache::~MeshCache() {
    for (const auto& [key, entry] : spheres_) {
        store_.release(entry.mesh);
    }
    for (const auto& [key, entry] : blocks_) {
        store_.release(entry.mesh);
    }
}

std::optional<MeshId> MeshCache::sphere(int slices, int stacks) {
    const auto key = std::pair{slices, stacks};
    if (const auto found = spheres_.find(key); found != spheres_.end()) {
        found->second.frame = frame_;
        return found->second.mesh;
    }
    const gl_subset::SphereMesh& mesh = gl_subset::solidSphereMesh(slices, stacks);
    if (mesh.points.size() / 3 > indexLimit) {
        return std::nullopt;
    }
    vertices_.clear();
    for (std::size_t i = 0; i + 2 < mesh.points.size(); i += 3) {
        const float* p = &mesh.points[i];
        vertices_.push_back({{p[0], p[1], p[2]}, {p[0], p[1], p[2]}});
    }
    corners_.assign(mesh.triangles.begin(), mesh.triangles.end());
    const MeshId id = store_.make(vertices_, corners_);
    spheres_.emplace(key, Entry{id, frame_});
    return id;
}

std::optional<MeshId> MeshCache::triangles(std::span<const gl_subset::Vertex> vertices,
                                           std::span<const std::uint32_t> corners) {
    if (vertices.size() > indexLimit) {
        return std::nullopt;
    }
    key_.clear();
    for (const gl_subset::Vertex& v : vertices) {
        key_.append(reinterpret_cast<const char*>(v.position), sizeof v.position);
        key_.append(reinterpret_cast<const char*>(v.normal), sizeof v.normal);
    }
    corners_.assign(corners.begin(), corners.end());
    key_.append(reinterpret_cast<const char*>(corners_.data()),
                corners_.size() * sizeof(std::uint16_t));
    if (const auto found = blocks_.find(key_); found != blocks_.end()) {
        found->second.frame = frame_;
        return found->second.mesh;
    }
    vertices_.clear();
    for (const gl_subset::Vertex& v : vertices) {
        MeshVertex m{};
        std::memcpy(m.position, v.position, sizeof m.position);
        std::memcpy(m.normal, v.normal, sizeof m.normal);
        vertices_.push_back(m);
    }
    const MeshId id = store_.make(vertices_, corners_);
    blocks_.emplace(key_, Entry{id, frame_});
    return id;
}

void MeshCache::endFrame() {
    releaseUnused(spheres_, frame_, store_);
    releaseUnused(blocks_, frame_, store_);
    ++frame_;
}

}  // namespace web_gl
