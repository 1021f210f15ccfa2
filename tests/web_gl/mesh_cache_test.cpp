#include "mesh_cache.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace web_gl {
namespace {

// Hands out numbers for meshes and remembers which are alive.
class FakeStore : public web_gl::MeshStore {
  public:
    web_gl::MeshId make(std::span<const web_gl::MeshVertex> vertices,
                        std::span<const std::uint16_t> corners) override {
        lastVertices.assign(vertices.begin(), vertices.end());
        lastCorners.assign(corners.begin(), corners.end());
        alive.insert(next);
        ++made;
        return next++;
    }
    void release(web_gl::MeshId mesh) override { EXPECT_EQ(alive.erase(mesh), 1u) << mesh; }

    web_gl::MeshId next = 0;
    int made = 0;
    std::set<web_gl::MeshId> alive;
    std::vector<web_gl::MeshVertex> lastVertices;
    std::vector<std::uint16_t> lastCorners;
};

// A quad of a limb's kind, `size` across, in the colour given.
std::vector<gl_subset::Vertex> quad(float size, float red) {
    std::vector<gl_subset::Vertex> q;
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
        q.push_back({{size * static_cast<float>(x), size * static_cast<float>(y), 0},
                     {0, 0, size},
                     {red, 1, 1, 1}});
    }
    return q;
}

const std::vector<std::uint32_t> quadCorners{0, 1, 2, 0, 2, 3};

TEST(MeshCache, ABlockOrSphereIsMadeOnceAndKnownAgainByItsShapeAlone) {
    FakeStore store;
    web_gl::MeshCache cache(store);
    const auto first = cache.triangles(quad(2, 1), quadCorners);
    ASSERT_TRUE(first);
    EXPECT_EQ(store.lastCorners, std::vector<std::uint16_t>({0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(store.lastVertices[2].position[1], 2.0f);
    EXPECT_EQ(store.lastVertices[2].normal[2], 2.0f);
    // Another colour is the draw's business, not the mesh's.
    EXPECT_EQ(cache.triangles(quad(2, 0.5f), quadCorners), first);
    // One bit of a normal, or the corners' order, makes another mesh.
    std::vector<gl_subset::Vertex> turned = quad(2, 1);
    turned[3].normal[0] = -0.0f;
    EXPECT_NE(cache.triangles(turned, quadCorners), first);
    EXPECT_NE(cache.triangles(quad(2, 1), std::vector<std::uint32_t>{0, 2, 1, 0, 3, 2}), first);
    EXPECT_EQ(store.made, 3);

    // Spheres by their counts: every radius draws the unit sphere, its points its normals.
    const auto ball = cache.sphere(10, 5);
    ASSERT_TRUE(ball);
    EXPECT_EQ(store.lastVertices.size(), 42u);
    EXPECT_EQ(store.lastVertices[0].position[2], 1.0f);
    EXPECT_EQ(store.lastVertices[41].normal[2], -1.0f);
    EXPECT_EQ(store.lastCorners.size(), 80u * 3);
    EXPECT_EQ(cache.sphere(10, 5), ball);
    EXPECT_NE(cache.sphere(10, 6), ball);
    EXPECT_EQ(store.made, 5);

    // More vertices than 16-bit indices reach are left to the caller.
    const std::vector<gl_subset::Vertex> huge(65537, quad(1, 1)[0]);
    EXPECT_FALSE(cache.triangles(huge, quadCorners));
    EXPECT_TRUE(cache.triangles(std::span(huge).first(65536), quadCorners));
}

// What a frame did not draw is let go when it ends: a model rebuilt in other sizes leaves
// nothing of its old shapes behind, and the cache never holds more than one frame drew.
TEST(MeshCache, KeepsOnlyWhatTheLastFrameDrew) {
    FakeStore store;
    {
        web_gl::MeshCache cache(store);
        for (int frame = 0; frame < 3; ++frame) {
            for (int limb = 0; limb < 4; ++limb) {
                cache.triangles(quad(static_cast<float>(limb + 1), 1), quadCorners);
                cache.sphere(10, 5);
            }
            cache.endFrame();
        }
        EXPECT_EQ(store.made, 5);
        EXPECT_EQ(cache.size(), 5u);

        // Rebuilt: two limbs of new sizes, one of the old, and the same balls.
        cache.triangles(quad(3, 1), quadCorners);
        cache.triangles(quad(5, 1), quadCorners);
        cache.triangles(quad(6, 1), quadCorners);
        cache.sphere(10, 5);
        cache.endFrame();
        EXPECT_EQ(store.made, 7);
        EXPECT_EQ(cache.size(), 4u);
        EXPECT_EQ(store.alive.size(), 4u);

        cache.endFrame();
        EXPECT_EQ(cache.size(), 0u);
        EXPECT_TRUE(store.alive.empty());
        cache.sphere(10, 5);
    }
    // The cache lets go of the rest when it goes.
    EXPECT_TRUE(store.alive.empty());
}

}  // namespace
}  // namespace web_gl
