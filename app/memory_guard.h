#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

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

// What `nodes` more nodes of any class take on the heap, `balls` of them balls that the driver
// may draw: what an edit that adds nodes must find room for.
std::uint64_t memoryNeededForNodes(std::uint64_t nodes, std::uint64_t balls);

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

// How reading one of the guard's files went. Whatever happens, reading never throws and never
// allocates (so it answers also with the heap exhausted): a file that cannot be read says so.
enum class FileReading {
    read,        // read to its end
    absent,      // there is no such file
    unreadable,  // there is one, but it could not be opened or read to its end
};

// The lines of a /proc or control-group file, read through a fixed buffer. A line longer than
// the buffer is handed cut, the rest of it skipped.
class FileLines {
  public:
    explicit FileLines(const char* path);
    ~FileLines();
    FileLines(const FileLines&) = delete;
    FileLines& operator=(const FileLines&) = delete;

    // The next line, without its newline, valid until the next call; nothing at the end of the
    // file or when reading failed (then reading() says so).
    std::optional<std::string_view> next();

    // How reading went so far: `read` once the end is reached.
    FileReading reading() const { return reading_; }

  private:
    int descriptor_ = -1;
    FileReading reading_ = FileReading::unreadable;
    bool atEnd_ = false;
    bool skippingCutLine_ = false;
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    char buffer_[4096];
};

// A number read from a /proc or control-group file.
struct MemoryValue {
    // How reading the file went: a number is there only when it was read.
    FileReading reading = FileReading::unreadable;
    // The number, or nothing when the file has none: "max", or no line with the key.
    std::optional<std::uint64_t> number;

    bool operator==(const MemoryValue&) const = default;
};

// Parses the numbers of a /proc or control-group file: the value after `key` in files such
// as /proc/meminfo (key "MemAvailable:"), or the first line's when key is empty; scaled by
// 1024 when the value is followed by "kB".
MemoryValue readMemoryValue(const char* path, std::string_view key);
inline MemoryValue readMemoryValue(const std::string& path, std::string_view key) {
    return readMemoryValue(path.c_str(), key);
}
