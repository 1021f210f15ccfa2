#include "app/platform.h"

#include <emscripten.h>
#include <emscripten/heap.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "app/memory_guard.h"

// The browser's frame loop (runFrameLoop) is the web page's own, with the page's controls and
// the address's script: web/explorer/page_loop.cpp.

void keepFrameMemory() {
    // WebGL draws outside the WebAssembly heap, and the heap never shrinks.
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
