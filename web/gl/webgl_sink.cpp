#include "webgl_sink.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "colour_tint.h"
#include "libraries/gl_subset/begin_end.h"
#include "libraries/gl_subset/matrix_stack.h"
#include "lines.h"
#include "math/mat4.h"

namespace web_gl {

namespace {

bool sameColour(const gl_subset::Vertex& a, const gl_subset::Vertex& b) {
    return std::memcmp(a.colour, b.colour, sizeof a.colour) == 0;
}

}  // namespace

void WebGlSink::updateDerived() {
    if (derivedVersion_ == gl_subset::matrixVersion()) {
        return;
    }
    derivedVersion_ = gl_subset::matrixVersion();
    modelviewProjection_ =
        gl_subset::multiply(gl_subset::projectionMatrix(), gl_subset::modelviewMatrix());
    normalMatrix_ = gl_subset::normalMatrixOf(gl_subset::modelviewMatrix());
}

void WebGlSink::drawMesh(web_gl::MeshId mesh, float scale, const float* colour) {
    updateDerived();
    web_gl::MeshDraw d{};
    std::copy(modelviewProjection_.begin(), modelviewProjection_.end(), d.modelviewProjection);
    for (std::size_t column = 0; column < 3; ++column) {
        std::copy_n(&normalMatrix_[3 * column], 3, &d.normalColumns[4 * column]);
    }
    d.normalColumns[3] = scale;
    const std::array<float, 4> drawn = web_gl::tinted(colour);
    std::copy(drawn.begin(), drawn.end(), d.colour);
    web_gl::drawMesh(mesh, d);
}

void WebGlSink::draw(gl_subset::Primitive kind, std::span<const gl_subset::Vertex> vertices,
                     std::span<const std::uint32_t> corners) {
    if (kind == gl_subset::Primitive::triangles && web_gl::meshesAvailable() && !vertices.empty() &&
        std::all_of(vertices.begin(), vertices.end(),
                    [&](const gl_subset::Vertex& v) { return sameColour(v, vertices[0]); })) {
        if (const auto mesh = meshes_.triangles(vertices, corners)) {
            drawMesh(*mesh, 1.0f, vertices[0].colour);
            return;
        }
    }
    stream(kind, vertices, corners);
}

void WebGlSink::drawSolidSphere(double radius, int slices, int stacks) {
    if (web_gl::meshesAvailable()) {
        if (const auto mesh = meshes_.sphere(slices, stacks)) {
            drawMesh(*mesh, static_cast<float>(radius), gl_subset::currentColour().data());
            return;
        }
    }
    PrimitiveSink::drawSolidSphere(radius, slices, stacks);
}

std::array<float, 4> WebGlSink::shade(const gl_subset::Vertex& v) const {
    const web_gl::Lighting& l = lighting_;
    const std::array<float, 4> colour = web_gl::tinted(v.colour);
    if (!l.lighting) {
        return colour;
    }
    // Colour material tracks the current colour into the ambient and diffuse material.
    const std::array<float, 4>& ambient = l.colourMaterial ? colour : l.materialAmbient;
    const std::array<float, 4>& diffuse = l.colourMaterial ? colour : l.materialDiffuse;
    std::array<float, 4> lit{};
    float facing = 0.0f;
    if (l.lightZero) {
        // The normal as a row vector times the inverse: eye-space, with the length it had.
        const auto [ex, ey, ez] =
            rowTimesMatrixSingle(std::span<const float, 3>(v.normal), normalMatrix_);
        facing = std::max(
            0.0f, ex * l.lightDirection[0] + ey * l.lightDirection[1] + ez * l.lightDirection[2]);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        float c = web_gl::sceneAmbient[i] * ambient[i];
        if (l.lightZero) {
            c += l.lightAmbient[i] * ambient[i] + facing * l.lightDiffuse[i] * diffuse[i];
        }
        lit[i] = std::clamp(c, 0.0f, 1.0f);
    }
    lit[3] = std::clamp(diffuse[3], 0.0f, 1.0f);
    return lit;
}

web_gl::Vertex WebGlSink::transform(const gl_subset::Vertex& v) const {
    const std::array<float, 4> clip =
        transformPointSingle(modelviewProjection_, v.position[0], v.position[1], v.position[2]);
    web_gl::Vertex out{};
    std::copy(clip.begin(), clip.end(), out.clip);
    const auto lit = shade(v);
    std::copy(lit.begin(), lit.end(), out.colour);
    return out;
}

void WebGlSink::emitLine(const web_gl::Vertex& a, const web_gl::Vertex& b) const {
    const auto clipped = web_gl::clipToDepthRange(a, b);
    if (!clipped) {
        return;
    }
    const float lineWidth = gl_subset::currentLineWidth();
    if (lineWidth <= 1.0f) {
        web_gl::addLine(clipped->first, clipped->second);
        return;
    }
    const auto c = web_gl::widen(clipped->first, clipped->second, lineWidth,
                                 web_gl::viewportWidth(), web_gl::viewportHeight());
    web_gl::addTriangle(c[0], c[1], c[2]);
    web_gl::addTriangle(c[0], c[2], c[3]);
}

void WebGlSink::stream(gl_subset::Primitive kind, std::span<const gl_subset::Vertex> vertices,
                       std::span<const std::uint32_t> corners) {
    updateDerived();
    transformed_.clear();
    for (const gl_subset::Vertex& v : vertices) {
        transformed_.push_back(transform(v));
    }
    if (kind == gl_subset::Primitive::lines) {
        for (std::size_t i = 0; i + 1 < corners.size(); i += 2) {
            emitLine(transformed_[corners[i]], transformed_[corners[i + 1]]);
        }
        return;
    }
    for (std::size_t i = 0; i + 2 < corners.size(); i += 3) {
        web_gl::addTriangle(transformed_[corners[i]], transformed_[corners[i + 1]],
                            transformed_[corners[i + 2]]);
    }
}

void WebGlSink::setCapability(unsigned int capability, bool enabled) {
    web_gl::Lighting& l = lighting_;
    switch (capability) {
        case GL_DEPTH_TEST:
            web_gl::setDepthTest(enabled);
            return;
        case GL_LIGHTING:
            l.lighting = enabled;
            break;
        case GL_LIGHT0:
            l.lightZero = enabled;
            break;
        case GL_COLOR_MATERIAL:
            // The material takes the current colour when tracking starts, and keeps the last
            // colour it tracked when it stops.
            if (enabled != l.colourMaterial) {
                l.materialAmbient = web_gl::tinted(gl_subset::currentColour().data());
                l.materialDiffuse = l.materialAmbient;
            }
            l.colourMaterial = enabled;
            break;
        default:
            return;
    }
    web_gl::setLighting(l);
}

void WebGlSink::setLight(unsigned int light, unsigned int name, const float* values) {
    if (light != GL_LIGHT0) {
        return;
    }
    web_gl::Lighting& l = lighting_;
    switch (name) {
        case GL_AMBIENT:
            std::copy(values, values + 4, l.lightAmbient.begin());
            break;
        case GL_DIFFUSE:
            std::copy(values, values + 4, l.lightDiffuse.begin());
            break;
        case GL_POSITION: {
            // Carried to eye space by the modelview matrix of the moment, and kept there.
            const std::array<float, 3> d = transformDirectionSingle(
                gl_subset::modelviewMatrix(), values[0], values[1], values[2]);
            const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            if (length > 0.0f) {
                l.lightDirection = {d[0] / length, d[1] / length, d[2] / length};
            }
            break;
        }
        default:
            return;
    }
    web_gl::setLighting(l);
}

void WebGlSink::clear(unsigned int mask) {
    web_gl::clear(mask);
}

void WebGlSink::clearColour(float r, float g, float b, float a) {
    web_gl::clearColour(r, g, b, a);
}

void WebGlSink::finish() {
    web_gl::flush();
}

void WebGlSink::endFrame() {
    web_gl::flush();
    meshes_.endFrame();
}

}  // namespace web_gl
