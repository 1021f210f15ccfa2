#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "libraries/gl_subset/matrix_stack.h"
#include "libraries/gl_subset/primitive_sink.h"
#include "lighting.h"
#include "mesh_cache.h"
#include "webgl_backend.h"

namespace web_gl {

// The fixed-function stage of OpenGL 1 that the browser lacks, as the viewer uses it (light 0,
// directional, fixed in eye space; colour material; normals as given, never normalised).
// Triangles are drawn from meshes kept on the GPU (MeshCache), transformed and lit in the
// vertex shader: each draw hands over only its matrices and colour. Lines are transformed and
// lit here on the CPU, cut at the near and far planes and widened, then streamed; so are the
// rare blocks of triangles that no mesh fits (more vertices than 16-bit indices reach, or
// colours that change within the block), and everything when the browser cannot draw meshes.
// Every colour is drawn through the page's tint, if one is set (colour_tint.h).
class WebGlSink : public gl_subset::PrimitiveSink {
  public:
    WebGlSink() : meshes_(web_gl::meshStore()) {}

    void draw(gl_subset::Primitive kind, std::span<const gl_subset::Vertex> vertices,
              std::span<const std::uint32_t> corners) override;
    void drawSolidSphere(double radius, int slices, int stacks) override;
    void setCapability(unsigned int capability, bool enabled) override;
    void setLight(unsigned int light, unsigned int name, const float* values) override;
    void clear(unsigned int mask) override;
    void clearColour(float r, float g, float b, float a) override;
    void finish() override;

    // The frame is shown: what is queued is drawn, and the meshes it did not use are let go.
    void endFrame();

  private:
    void updateDerived();
    void drawMesh(web_gl::MeshId mesh, float scale, const float* colour);
    std::array<float, 4> shade(const gl_subset::Vertex& v) const;
    web_gl::Vertex transform(const gl_subset::Vertex& v) const;
    void emitLine(const web_gl::Vertex& a, const web_gl::Vertex& b) const;
    void stream(gl_subset::Primitive kind, std::span<const gl_subset::Vertex> vertices,
                std::span<const std::uint32_t> corners);

    web_gl::Lighting lighting_;
    web_gl::MeshCache meshes_;

    // Projection times modelview, and the normal matrix: kept until the matrices change.
    std::uint64_t derivedVersion_ = ~std::uint64_t{0};
    gl_subset::Matrix modelviewProjection_{};
    std::array<float, 9> normalMatrix_{};
    std::vector<web_gl::Vertex> transformed_;
};

}  // namespace web_gl
