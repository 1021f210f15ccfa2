#pragma once

// The browser's GL layer's shaders, GLSL ES 1.00 for WebGL 1.
namespace web_gl::shaders {

// Vertices transformed and lit already (web_gl::Vertex).
inline constexpr const char* streamedVertex = R"(
attribute vec4 clip;
attribute vec4 colour;
varying vec4 shade;
void main() {
    gl_Position = clip;
    shade = colour;
}
)";

// A mesh's vertex, transformed and lit as OpenGL 1's fixed-function stage does for the viewer
// (web_gl::Lighting), in single precision, every sum in the order the layer's C++ sums it so
// that the result is that of the CPU to the last bit where the GPU rounds as IEEE does. Each
// vertex belongs to one copy of the mesh in a batch of BATCH (defined before this source),
// and `draws` holds each copy's web_gl::MeshDraw, eight vectors each.
inline constexpr const char* meshVertex = R"(
attribute vec3 position;
attribute vec3 normal;
attribute float copy;
uniform vec4 draws[8 * BATCH];
uniform bool lighting;
uniform bool lightZero;
uniform bool colourMaterial;
uniform vec4 materialAmbient;
uniform vec4 materialDiffuse;
uniform vec4 lightAmbient;
uniform vec4 lightDiffuse;
uniform vec3 lightDirection;
varying vec4 shade;
const vec3 sceneAmbient = vec3(0.2, 0.2, 0.2);
void main() {
    int draw = 8 * int(copy);
    vec4 normalColumn0 = draws[draw + 4];
    vec3 p = position * normalColumn0.w;
    gl_Position = draws[draw] * p.x + draws[draw + 1] * p.y + draws[draw + 2] * p.z +
                  draws[draw + 3];
    vec4 colour = draws[draw + 7];
    if (!lighting) {
        shade = colour;
        return;
    }
    vec4 ambient = colourMaterial ? colour : materialAmbient;
    vec4 diffuse = colourMaterial ? colour : materialDiffuse;
    vec3 lit = sceneAmbient * ambient.rgb;
    if (lightZero) {
        vec3 eye = normalColumn0.xyz * normal.x + draws[draw + 5].xyz * normal.y +
                   draws[draw + 6].xyz * normal.z;
        float facing = max(0.0, eye.x * lightDirection.x + eye.y * lightDirection.y +
                                eye.z * lightDirection.z);
        lit = lit + (lightAmbient.rgb * ambient.rgb + facing * lightDiffuse.rgb * diffuse.rgb);
    }
    shade = vec4(clamp(lit, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));
}
)";

inline constexpr const char* fragment = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec4 shade;
void main() {
    gl_FragColor = shade;
}
)";

}  // namespace web_gl::shaders
