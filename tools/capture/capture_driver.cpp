#include "tools/capture/capture_driver.h"

#include <GL/gl.h>

#include "app/frame_loop.h"
#include "app/keyboard.h"

namespace capture {

void runScript(const std::string& keys, int frames) {
    drawFrame();
    playKeys(keys);
    drawFrames(frames);
}

void playKeys(const std::string& keys) {
    for (const char key : keys) {
        // The pointer position is not looked at.
        onKeyboard(static_cast<unsigned char>(key), 0, 0);
    }
}

void drawFrames(int frames) {
    if (frames <= 0) {
        drawFrame();
        return;
    }
    for (int i = 0; i < frames; ++i) {
        onIdle();
        drawFrame();
        // Nothing is shown, so nothing would ever wait for the renderer: without this, every
        // frame's work would queue up in it, and memory grow with the number of frames.
        glFinish();
    }
}

}  // namespace capture
