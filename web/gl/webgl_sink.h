#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "libraries/gl_subset/matrix_stack.h"
#include "libraries/gl_subset/primitive_sink.h"
#include "webgl_backend.h"

// The fixed-function stage of OpenGL 1 that the browser lacks, as the viewer uses it: vertices
// transformed by the GL subset's matrices and lit on the CPU in single precision (light 0,
// directional, fixed in eye space; colour material; normals as given, never normalised), then
// handed to WebGL ready to draw. Lines are cut at the near and far planes and widened there.
class WebGlSink : public gl_subset::PrimitiveSink {
  public:
    void draw(gl_subset::Primitive kind, std::span<const gl_subset::Vertex> vertices,
              std::span<const std::uint32_t> corners) override;
    void setCapability(unsigned int capability, bool enabled) override;
    void setLight(unsigned int light, unsigned int name, const float* values) override;
    void clear(unsigned int mask) override;
    void clearColour(float r, float g, float b, float a) override;
    void finish() override;

  private:
    void updateDerived();
    std::array<float, 4> shade(const gl_subset::Vertex& v) const;
    webgl::Vertex transform(const gl_subset::Vertex& v) const;
    void emitLine(const webgl::Vertex& a, const webgl::Vertex& b) const;

    bool lighting_ = false;
    bool lightZero_ = false;
    bool colourMaterial_ = false;
    // The material while colour material is off; while it is on, a vertex's own colour.
    std::array<float, 4> materialAmbient_{0.2f, 0.2f, 0.2f, 1};
    std::array<float, 4> materialDiffuse_{0.8f, 0.8f, 0.8f, 1};
    std::array<float, 4> lightAmbient_{0, 0, 0, 1};
    std::array<float, 4> lightDiffuse_{1, 1, 1, 1};
    // Unit vector towards light 0 in eye space (it is directional).
    std::array<float, 3> lightDirection_{0, 0, 1};

    // Projection times modelview, and the normal matrix: kept until the matrices change.
    std::uint64_t derivedVersion_ = ~std::uint64_t{0};
    gl_subset::Matrix modelviewProjection_{};
    std::array<float, 9> normalMatrix_{};
    std::vector<webgl::Vertex> transformed_;
};
