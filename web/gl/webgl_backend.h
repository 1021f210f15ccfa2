#pragma once

#include <cstddef>

// The only part of the browser's GL layer that talks to WebGL 1: one shader that draws vertices
// already transformed and lit, batched so that a frame of many small shapes costs few calls.
namespace webgl {

// A vertex as the fixed-function stage hands it on: clip coordinates and its lit colour.
struct Vertex {
    float clip[4];
    float colour[4];
};

// Creates the WebGL 1 context on the canvas (with a depth buffer, without antialiasing), sizes
// the canvas to width x height pixels and prepares the shader and the vertex buffer.
void createContext(const char* canvasSelector, int width, int height);
int viewportWidth();
int viewportHeight();

// Queue a triangle or a one-pixel line. Batches are drawn in the order they were queued.
void addTriangle(const Vertex& a, const Vertex& b, const Vertex& c);
void addLine(const Vertex& a, const Vertex& b);

// Draws what is queued.
void flush();

// Pass-throughs to WebGL; each draws what is queued first.
void clear(unsigned int mask);
void clearColour(float r, float g, float b, float a);
void setDepthTest(bool enabled);

}  // namespace webgl
