#include "scene-capture/capture_driver.h"

#include <GL/gl.h>

#include <cstdint>

#include "app/frame_loop.h"
#include "app/script_player.h"
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

void runScript(std::vector<Edit> script) {
    progress::ProgressLine progress("scene-capture", scriptLength(script));
    playScript(std::move(script), drawFrame, drawFinishedFrame,
               [&progress] { progress.advance(); });
}

void runScript(const std::string& keys, int frames) {
    runScript(keysThenFrames(keys, frames));
}

void drawFrames(int frames) {
    if (frames <= 0) {
        drawFrame();
        return;
    }
    for (int i = 0; i < frames; ++i) {
        onIdle();
        drawFinishedFrame();
    }
}

}  // namespace scene_capture
