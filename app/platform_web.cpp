#include "app/platform.h"

#include <GL/glut.h>
#include <emscripten.h>
#include <emscripten/heap.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/frame_loop.h"
#include "app/key_script.h"
#include "app/memory_guard.h"

namespace {

// The value of the page address's parameter `name` (?keys=%2B%2B%2Bx3&frames=10), written into
// the buffer when it fits. Returns its length in bytes, or -1 when the address does not have it.
// The body is JavaScript, which clang-format would take apart ("===").
// clang-format off
EM_JS(int, readAddressParameter, (const char* name, char* buffer, int capacity), {
    const value = new URLSearchParams(window.location.search).get(UTF8ToString(name));
    if (value === null) {
        return -1;
    }
    const length = lengthBytesUTF8(value);
    if (length < capacity) {
        stringToUTF8(value, buffer, capacity);
    }
    return length;
});
// clang-format on

std::optional<std::string> addressParameter(const char* name) {
    std::string value(64, '\0');
    int length = readAddressParameter(name, value.data(), static_cast<int>(value.size()));
    if (length >= static_cast<int>(value.size())) {
        value.resize(static_cast<std::size_t>(length) + 1);
        length = readAddressParameter(name, value.data(), static_cast<int>(value.size()));
    }
    if (length < 0) {
        return std::nullopt;
    }
    value.resize(static_cast<std::size_t>(length));
    return value;
}

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
    runScript(script.keys, script.frames, onDisplay, onDisplay);
    announceHeld(script.frames);
    emscripten_exit_with_live_runtime();
}

}  // namespace

void runFrameLoop() {
    const std::optional<std::string> keys = addressParameter("keys");
    const std::optional<std::string> frames = addressParameter("frames");
    if (!keys && !frames) {
        glutMainLoop();
        return;
    }
    // The address's frames are read as scene-capture reads --frames, with its default of 1;
    // a value it would refuse is reported, and the viewer runs live instead.
    script.keys = keys.value_or("");
    script.frames = 1;
    const std::string problem =
        frames ? takeCount("frames", *frames, script.frames) : std::string();
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        glutMainLoop();
        return;
    }
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

std::uint64_t drawingCost(std::uint64_t balls) {
    // WebGL draws outside the WebAssembly heap, which holds only what the GL layer forms for a
    // frame: measured at about 64 KiB a ball for small trees, levelling off below 160 MiB from
    // depth 12 on.
    constexpr std::uint64_t mebibyte = 1024 * 1024;
    return std::min(saturatingMultiply(balls, 64 * 1024), 160 * mebibyte);
}
