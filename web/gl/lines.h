#pragma once

#include <array>
#include <optional>
#include <utility>

#include "webgl_backend.h"

// Line segments as the browser's GL layer prepares them for WebGL, which under software
// rendering drops a segment with an end behind the eye and draws no line wider than a pixel.
namespace lines {

// The part of the segment between the near and far planes (-w <= z <= w in clip
// coordinates), its colours interpolated; nothing when it lies wholly outside.
std::optional<std::pair<webgl::Vertex, webgl::Vertex>> clipToDepthRange(webgl::Vertex a,
                                                                        webgl::Vertex b);

// A segment `width` pixels wide as the corners of the parallelogram that OpenGL fills for it:
// widened vertically when it runs more across than up the viewport, horizontally otherwise.
// Both ends must lie in front of the eye. The corners go round: a below, a above, b above,
// b below (left and right for steep lines).
std::array<webgl::Vertex, 4> widen(const webgl::Vertex& a, const webgl::Vertex& b, float width,
                                   int viewportWidth, int viewportHeight);

}  // namespace lines
