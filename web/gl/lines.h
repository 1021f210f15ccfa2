#pragma once

#include <array>
#include <optional>
#include <utility>

#include "webgl_backend.h"

// Line segments as the browser's GL layer prepares them for WebGL, which under software
// rendering drops a segment with an end behind the eye and draws no line wider than a pixel.
namespace web_gl {

// The part of the segment between the near and far planes (-w <= z <= w in clip
// coordinates), its colours interpolated; nothing when it lies wholly outside.
std::optional<std::pair<web_gl::Vertex, web_gl::Vertex>> clipToDepthRange(web_gl::Vertex a,
                                                                          web_gl::Vertex b);

// A segment `width` pixels wide as the corners of the parallelogram that OpenGL fills for it:
// widened vertically when it runs more across than up the viewport, horizontally otherwise.
// Both ends must lie in front of the eye. The corners go round: a below, a above, b above,
// b below (left and right for steep lines).
std::array<web_gl::Vertex, 4> widen(const web_gl::Vertex& a, const web_gl::Vertex& b, float width,
                                    int viewportWidth, int viewportHeight);

}  // namespace web_gl
