#include "app/platform.h"

#include <emscripten.h>
#include <emscripten/heap.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "app/memory_guard.h"

// The browser's frame loop (runFrameLoop) is the web page's own, with the page's controls and
// the address's script: web/explorer/page_loop.cpp.

namespace {

// Emscripten (3.1.6, with its JavaScript exceptions) allocates a thrown exception with malloc
// (__cxa_allocate_exception). When the heap has run out and cannot grow, the std::bad_alloc of
// a failed allocation finds no room either, and what is thrown is then the address 16, which
// no catch takes: the page ended with "16" instead of the memory guard's "ran out of memory"
// line, at some heap caps and not others. A small reserve, freed before that throw, leaves it
// room; it is taken again by the next allocation that succeeds.
constexpr std::size_t throwReserveSize = 64 * 1024;
void* throwReserve = nullptr;

}  // namespace

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        if (throwReserve == nullptr) {
            throwReserve = std::malloc(throwReserveSize);
        }
        return block;
    }
    std::free(throwReserve);
    throwReserve = nullptr;
    throw std::bad_alloc();
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

std::optional<std::string> windowRoomProblem() {
    return std::nullopt;
}

void endOnWindowSystemError(const char*) {}
