#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

// Every "+" doubles the tree model, so a few dozen presses would exhaust memory. Before a
// depth change rebuilds the chain and tree models, the depth keys ask here whether the new
// models fit into what the process can still get (obtainableMemory, in platform.h).

// Bytes that the chain and tree models of this depth take on the heap: their node counts times
// each node's allocation and list entry as the allocator rounds them. Saturates rather than
// overflows for absurd depths.
std::uint64_t recursiveModelsFootprint(int depth);

// Bytes that the GL driver may take to draw the tree model of this depth, at most: the
// platform's drawingCost (platform.h) of its balls.
std::uint64_t drawingReserve(int depth);

// Whether the frames go to the machine's GL driver, which holds a frame's triangles until it has
// drawn them (the viewer and scene-capture, once their window is open), rather than only being
// recorded (scene-export). Until then drawingReserve is 0. Set by reserveForDriverDrawing.
extern bool framesGoToDriver;

// Called once a GL window is open: from then on depth changes keep room for the driver's drawing.
void reserveForDriverDrawing();

// What a change to this depth must find room for: the new models, and the drawing of the tree
// model, which may come on screen at any time.
std::uint64_t memoryNeededAtDepth(int depth);

// What of `obtainable` the models may take: the rest is headroom for everything else the
// process does. The headroom is an eighth, at least 64 MiB, but never more than a quarter, so
// that small limits still leave room for small models.
std::uint64_t usableMemory(std::uint64_t obtainable);

// Whether `need` bytes fit into the usable part of `obtainable`.
bool fitsInMemory(std::uint64_t need, std::uint64_t obtainable);

// "about 1.5 GiB", "about 300 MiB", "about 12 KiB", "640 bytes": sizes as the memory messages
// give them, in a unit that never rounds a size other than 0 down to 0.
std::string describeSize(std::uint64_t bytes);

// A size too large to count, and what the sizes here saturate at rather than overflow.
inline constexpr std::uint64_t unlimitedMemory = std::numeric_limits<std::uint64_t>::max();

// a × b, or unlimitedMemory when that does not fit.
constexpr std::uint64_t saturatingMultiply(std::uint64_t a, std::uint64_t b) {
    return b != 0 && a > unlimitedMemory / b ? unlimitedMemory : a * b;
}

// a + b, or unlimitedMemory when that does not fit.
constexpr std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) {
    return a > unlimitedMemory - b ? unlimitedMemory : a + b;
}

// The balls of the tree model of this depth, 2^depth − 1 (a depth below 1 counts as 1), or
// unlimitedMemory when that does not fit.
constexpr std::uint64_t treeBalls(int depth) {
    const int levels = depth < 1 ? 1 : depth;
    return levels >= 64 ? unlimitedMemory : (std::uint64_t{1} << levels) - 1;
}

// What is left under `limit` when `used` is taken: never less than 0.
std::uint64_t roomUnder(std::uint64_t limit, std::uint64_t used);

// Parses the numbers of a /proc or control-group file: the value after `key` in files such
// as /proc/meminfo (key "MemAvailable:"), or the whole content when key is empty; scaled by
// 1024 when the value is followed by "kB". Empty when absent, "max" or unreadable.
std::optional<std::uint64_t> readMemoryValue(const std::string& path, const std::string& key);
