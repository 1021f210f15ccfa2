#include "scene-capture/capture_driver.h"

#include <GL/gl.h>

#include <cstdint>

#include "app/frame_loop.h"
#include "app/key_script.h"
#include "libraries/progress/progress_line.h"

namespace scene_capture {

namespace {

void drawFinishedFrame() {
    drawFrame();
    // Nothing is shown, so nothing would ever wait for the renderer: without this, every
    // frame's work would queue up in it, and memory grow with the number of frames.
    glFinish();
}

}  // namespace

void runScript(const std::string& keys, int frames) {
    progress::ProgressLine progress("scene-capture",
                                    keys.size() + static_cast<std::uint64_t>(frames));
    ::runScript(keys, frames, drawFrame, drawFinishedFrame, [&progress] { progress.advance(); });
}

void drawFrames(int frames) {
    runSteps(frames, drawFrame, drawFinishedFrame);
}

}  // namespace scene_capture
