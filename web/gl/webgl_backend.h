#pragma once

#include <cstddef>

#include "lighting.h"
#include "mesh_cache.h"

// The only part of the browser's GL layer that talks to WebGL 1. It draws in two ways:
// - meshes kept on the GPU (MeshStore), each drawn as often as the frame asks with its own
//   matrices and colour, transformed and lit in the vertex shader; many draws of a mesh are
//   one WebGL draw of as many copies of it, each copy reading its draw's values from the
//   shader's uniforms;
// - vertices already transformed and lit (the lines, which are cut and widened first, and the
//   few triangles that no mesh fits), streamed each frame.
// Draws are queued and drawn together: every mesh's draws in batches, every streamed kind as
// one, in the order each was first queued. Depth-tested and opaque as the viewer draws,
// the picture is the same as when each came on its own, but for fragments of exactly equal
// depth from different meshes.
namespace web_gl {

// A vertex as the fixed-function stage hands it on: clip coordinates and its lit colour.
struct Vertex {
    float clip[4];
    float colour[4];
};

// One draw of a mesh, as the vertex shader takes it: eight vectors of four.
struct MeshDraw {
    // Projection times modelview, column-major.
    float modelviewProjection[16];
    // The normal matrix (gl_subset::normalMatrixOf) by columns of four: a normal n is carried
    // to eye space as n.x column 0 + n.y column 1 + n.z column 2. The fourth entry of column 0
    // scales the mesh's positions (a sphere's radius; 1 for a block).
    float normalColumns[12];
    // The colour drawn with: lit as the colour material, or as it is without lighting.
    float colour[4];
};

// Creates the WebGL 1 context on the canvas (with a depth buffer, without antialiasing), sizes
// the canvas to width x height pixels and prepares the shaders and buffers.
void createContext(const char* canvasSelector, int width, int height);
int viewportWidth();
int viewportHeight();

// Whether meshes can be drawn: the mesh shader compiled, with room in its uniforms. Without
// it everything comes streamed.
bool meshesAvailable();
// Where meshes are made and let go.
MeshStore& meshStore();

// Queue a draw of a mesh.
void drawMesh(MeshId mesh, const MeshDraw& draw);
// Queue a triangle or a one-pixel line.
void addTriangle(const Vertex& a, const Vertex& b, const Vertex& c);
void addLine(const Vertex& a, const Vertex& b);
// Draws what is queued with the lighting as it was, then lights meshes from now on so.
void setLighting(const Lighting& lighting);

// Draws what is queued.
void flush();

// Pass-throughs to WebGL; each draws what is queued first.
void clear(unsigned int mask);
void clearColour(float r, float g, float b, float a);
void setDepthTest(bool enabled);

}  // namespace web_gl
