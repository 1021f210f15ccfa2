#include "app/platform.h"

#include <GL/glut.h>
#include <emscripten.h>
#include <emscripten/heap.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/frame_loop.h"
#include "app/keyboard.h"

namespace {

// The page's address may ask for a state, as scene-capture's --keys and --frames do:
// ?keys=%2B%2B%2Bx3&frames=10. Returns the number of frames (at least 0), or -1 when the
// address asks for nothing and the viewer runs live. Writes the keys into the buffer.
EM_JS(int, readAddressScript, (char* keys, int capacity), {
    const parameters = new URLSearchParams(window.location.search);
    if (!parameters.has("keys") && !parameters.has("frames")) {
        return -1;
    }
    stringToUTF8(parameters.get("keys") || "", keys, capacity);
    const frames = parseInt(parameters.get("frames") || "0", 10);
    return Number.isFinite(frames) && frames > 0 ? Math.min(frames, 0x7fffffff) : 0;
});

// Tells the page that the picture is held after the frames of its address.
EM_JS(void, announceHeld, (int frames), {
    if (Module.onHeld)
        Module.onHeld(frames);
});

struct Script {
    std::string keys;
    int frames = 0;
};

Script script;

// The address's script, all in the first animation frame, as scene-capture runs it: the start
// state is drawn first, as the viewer shows it before any key can reach it; then the keys;
// then `frames` times one idle call and one frame (with 0 frames one frame is drawn and
// nothing is stepped). The page shows only the last frame, and keeps it: the frames stop, but
// the viewer stays alive for the keys.
void scriptedFrame() {
    emscripten_cancel_main_loop();
    onDisplay();
    for (const char key : script.keys) {
        onKeyboard(static_cast<unsigned char>(key), 0, 0);
    }
    if (script.frames == 0) {
        onDisplay();
    }
    for (int i = 0; i < script.frames; ++i) {
        onIdle();
        onDisplay();
    }
    announceHeld(script.frames);
    emscripten_exit_with_live_runtime();
}

}  // namespace

void runFrameLoop() {
    char keys[4096];
    const int frames = readAddressScript(keys, sizeof keys);
    if (frames < 0) {
        glutMainLoop();
        return;
    }
    script.keys = keys;
    script.frames = frames;
    emscripten_set_main_loop(scriptedFrame, 0, true);
}

void endViewer(int status) {
    emscripten_cancel_main_loop();
    // Runs the at-exit handlers and stops the runtime, even though a main loop was running.
    emscripten_force_exit(status);
    std::abort();
}

std::uint64_t obtainableMemory() {
    // The heap grows on demand up to its maximum; what lies above the break is still to be had,
    // and freed models inside it are reused first.
    const std::uint64_t maximum = emscripten_get_heap_max();
    const auto top = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(sbrk(0)));
    const std::uint64_t above = maximum > top ? maximum - top : 0;
    return above + static_cast<std::uint64_t>(mallinfo().fordblks);
}
