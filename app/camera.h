#pragma once

#include "math/vec3.h"

// Where the viewer stands, where it looks and which way is up.
struct Camera {
    Vec3 eye{0.0, 0.0, 10.0};
    Vec3 direction{0.0, 0.0, -1.0};  // the point looked at is eye + direction
    Vec3 up{0.0, 1.0, 0.0};

    // Multiplies the current matrix by the viewing transform (gluLookAt).
    void lookAt() const;

    // The preset views of the keys 1, 2 and 3: front, straight down, and the oblique view
    // from the diagonal of the positive octant. Other numbers change nothing.
    void applyViewpoint(int n);

    // The oblique view, keeping `up` as it is; set once, when the scene is built.
    void applyStartView();

    // Back to the defaults above, as before start-up: for programs and tests that build the
    // scene more than once.
    void restoreDefaults() { *this = Camera(); }
};

// Constant-initialised, so it has its defaults before any other global of the program is
// constructed.
extern constinit Camera camera;
