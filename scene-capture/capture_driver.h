#pragma once

#include <string>
#include <vector>

#include "app/model_edit.h"

namespace scene_capture {

// Plays `script` (app/script_player.h) through the document, each frame drawn into the back
// buffer as below, with a progress line. The scene must have been built. The last frame stays
// in the back buffer, to be read.
void runScript(std::vector<Edit> script);
// The programs' script of `keys` and `frames`.
void runScript(const std::string& keys, int frames);

// `frames` times: the idle callback, then a frame drawn into the back buffer, as the viewer's
// main loop alternates them, each finished before the next. With 0 frames one frame is drawn
// and nothing is stepped. The buffers are never swapped.
void drawFrames(int frames);

}  // namespace scene_capture
