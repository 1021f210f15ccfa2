#pragma once

#include <array>

// What the web page needs to follow one node through the viewer's draw walk without a pass of
// its own: the walk multiplies each node's own `transform` array onto the modelview stack and
// pops it after the node's subtree, so a watcher that knows the array's address knows where
// the subtree begins and ends. Nothing is watched or tinted unless asked, and then the GL
// calls themselves are unchanged.
namespace gl_subset {

struct DrawWatch {
    // After glMultMatrixd(m) onto the modelview stack, whose top entry is then `depth`
    // (0 for the bottom one).
    void (*multiplied)(const double* m, int depth);
    // Before glPopMatrix takes the modelview stack's entry `depth` off.
    void (*popping)(int depth);
};

// Watches from now on; nullptr stops. Not owned. (matrix_stack.cpp)
void setDrawWatch(const DrawWatch* watch);

// Every colour given from now on, and the current one, is multiplied by `tint` (RGB) until it
// is set back to white, which gives the colours as they were given. (begin_end.cpp, as the two
// below)
void setColourTint(const std::array<float, 3>& tint);

// glNormal's current normal, and the current colour as glColor gave it, before any tint.
const std::array<float, 3>& currentNormal();
const std::array<float, 4>& givenColour();

}  // namespace gl_subset
