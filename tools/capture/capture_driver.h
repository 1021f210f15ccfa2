#pragma once

#include <string>

namespace capture {

// What the viewer does from start-up on when a user types `keys` and then watches `frames`
// frames: the start state is drawn first, as the viewer shows it before any key can reach
// it; then the keys; then the frames. The scene must have been built. The last frame stays
// in the back buffer, to be read.
//
// The first frame matters beyond what it shows: the axes are lit with whatever normal the
// frame before left current, and only a drawn limb sets one; the start state always has one.
void runScript(const std::string& keys, int frames);

// Hands each character of `keys`, in order, to the viewer's keyboard callback, as GLUT does
// for a key typed in the window.
void playKeys(const std::string& keys);

// `frames` times: the idle callback, then a frame drawn into the back buffer, as the viewer's
// main loop alternates them, each finished before the next. With 0 frames one frame is drawn
// and nothing is stepped. The buffers are never swapped.
void drawFrames(int frames);

}  // namespace capture
