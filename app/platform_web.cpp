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

namespace {

// A C++ exception in the browser is allocated on the heap like anything else (Emscripten's
// JavaScript exceptions), so with the heap full not even the std::bad_alloc that says so could
// be thrown, and whether the page stopped or went on would depend on where the heap's end fell.
// A little is kept aside from the start and given back when an allocation fails: room for the
// exception, for the records of the handlers it passes and for the line that reports it.
// obtainableMemory takes it back before the next depth change or export is weighed.
constexpr std::size_t exceptionRoom = 16 * 1024;
void* exceptionReserve = std::malloc(exceptionRoom);

void giveBackExceptionRoom() {
    std::free(exceptionReserve);
    exceptionReserve = nullptr;
    throw std::bad_alloc();
}

[[maybe_unused]] const std::new_handler defaultHandler =
    std::set_new_handler(giveBackExceptionRoom);

}  // namespace

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
    if (exceptionReserve == nullptr) {
        exceptionReserve = std::malloc(exceptionRoom);
    }
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
