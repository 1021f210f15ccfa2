#pragma once

#include <array>

// The fixed-function lighting state as the viewer sets it up: lighting on or off, light 0
// (directional, its direction kept in eye space as glLightfv gave it), colour material, and the
// material that colour material leaves in place when it is off. Lit as OpenGL 1 lights a
// vertex without specular or emission, with the scene's default ambient light: each channel is
// the ambient material times the scene's and the light's ambient, plus the diffuse material
// times the light's diffuse times the cosine between the normal, as given (never normalised),
// and the light's direction; clamped to [0, 1].
namespace web_gl {

inline constexpr std::array<float, 4> sceneAmbient{0.2f, 0.2f, 0.2f, 1};

struct Lighting {
    bool lighting = false;
    bool lightZero = false;
    bool colourMaterial = false;
    // The material while colour material is off; while it is on, the colour drawn with.
    std::array<float, 4> materialAmbient{0.2f, 0.2f, 0.2f, 1};
    std::array<float, 4> materialDiffuse{0.8f, 0.8f, 0.8f, 1};
    std::array<float, 4> lightAmbient{0, 0, 0, 1};
    std::array<float, 4> lightDiffuse{1, 1, 1, 1};
    // Unit vector towards light 0 in eye space.
    std::array<float, 3> lightDirection{0, 0, 1};
};

}  // namespace web_gl
