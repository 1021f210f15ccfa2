#pragma once

#include <cstdint>
#include <span>

// Where the primitives of the GL subset go once glEnd (or glutSolidSphere) has assembled them,
// and where the calls that only a real renderer cares about (capabilities, lights, clearing)
// are passed on. The browser's sink transforms, lights and draws them with WebGL; the
// exporter's records them.
namespace gl_subset {

// A vertex as glVertex gave it, in single precision, with the normal and colour current then.
// Its coordinates are those of the modelview matrix current at the draw (modelviewMatrix()).
struct Vertex {
    float position[3];
    float normal[3];
    float colour[4];
};

enum class Primitive { triangles, lines };

class PrimitiveSink {
  public:
    virtual ~PrimitiveSink() = default;

    // One glBegin/glEnd pair or one sphere: `corners` indexes `vertices` in threes (triangles,
    // quads already split in two) or in twos (lines), in the order they were given.
    virtual void draw(Primitive kind, std::span<const Vertex> vertices,
                      std::span<const std::uint32_t> corners) = 0;
    // glutSolidSphere(radius, slices, stacks) in the current colour. By default its mesh comes
    // to draw() as triangles, scaled by the radius (sphere.cpp); a sink that keeps meshes of its
    // own may take the sphere whole.
    virtual void drawSolidSphere(double radius, int slices, int stacks);

    // glEnable and glDisable.
    virtual void setCapability(unsigned int capability, bool enabled) = 0;
    // glLightfv; a position is to be carried by the modelview matrix of the moment.
    virtual void setLight(unsigned int light, unsigned int name, const float* values) = 0;
    virtual void clear(unsigned int mask) = 0;
    virtual void clearColour(float r, float g, float b, float a) = 0;
    // glFinish: whatever is queued is done.
    virtual void finish() = 0;
};

// The sink that the GL calls feed from now on, or null: without one, what they draw is
// dropped. Not owned.
void setSink(PrimitiveSink* sink);
PrimitiveSink* currentSink();

}  // namespace gl_subset
