#pragma once

#include <string>

namespace scene_capture {

// The viewer's key script (app/key_script.h) of `keys` and `frames`, each frame drawn into the
// back buffer as below. The scene must have been built. The last frame stays in the back
// buffer, to be read.
void runScript(const std::string& keys, int frames);

// `frames` times: the idle callback, then a frame drawn into the back buffer, as the viewer's
// main loop alternates them, each finished before the next. With 0 frames one frame is drawn
// and nothing is stepped. The buffers are never swapped.
void drawFrames(int frames);

}  // namespace scene_capture
