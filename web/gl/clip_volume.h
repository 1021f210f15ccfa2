#pragma once

#include <array>
#include <span>

// Whether a shape can be left undrawn: when the box around it lies wholly outside the view
// volume, none of its fragments would be drawn.
namespace web_gl {

// The box from `low` to `high` (object space, each scaled by `scale` first, as the mesh shader
// scales positions) carried by `modelviewProjection` (column-major) into clip coordinates lies
// wholly beyond one plane of the view volume (x, y or z beyond -w or w), with a margin far
// above any rounding, so that nothing of it can reach a pixel.
bool boxOutside(std::span<const float, 16> modelviewProjection, const std::array<float, 3>& low,
                const std::array<float, 3>& high, float scale);

}  // namespace web_gl
