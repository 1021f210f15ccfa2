#include "app/memory_guard.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <list>
#include <utility>

#include "app/platform.h"
#include "scene/ball_tree.h"
#include "scene/scene_node.h"
#include "scene/swinging_limb.h"

namespace {

constexpr std::uint64_t unlimited = unlimitedMemory;
constexpr std::uint64_t kibibyte = 1024;
constexpr std::uint64_t mebibyte = 1024 * kibibyte;

// What the allocator hands out for a request of `size` bytes: the request plus its size
// word, rounded up to 16, and never less than 32 (glibc's chunk rules).
constexpr std::uint64_t heapChunk(std::uint64_t size) {
    return std::max<std::uint64_t>(32, (size + sizeof(std::size_t) + 15) / 16 * 16);
}

// A child's entry in its parent's list: two links and the pointer.
constexpr std::uint64_t listEntry = heapChunk(3 * sizeof(void*));

template <class Node>
constexpr std::uint64_t nodeFootprint = heapChunk(sizeof(Node)) + listEntry;

}  // namespace

std::uint64_t roomUnder(std::uint64_t limit, std::uint64_t used) {
    return limit > used ? limit - used : 0;
}

bool framesGoToDriver = false;

void reserveForDriverDrawing() {
    framesGoToDriver = true;
}

FileLines::FileLines(const char* path) {
    do {
        descriptor_ = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (descriptor_ < 0 && errno == EINTR);
    if (descriptor_ < 0) {
        reading_ =
            errno == ENOENT || errno == ENOTDIR ? FileReading::absent : FileReading::unreadable;
        atEnd_ = true;
    }
}

FileLines::~FileLines() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

std::optional<std::string_view> FileLines::next() {
    while (true) {
        const char* lineStart = buffer_ + start_;
        if (const auto* newline =
                static_cast<const char*>(std::memchr(lineStart, '\n', end_ - start_))) {
            const std::string_view line(lineStart, static_cast<std::size_t>(newline - lineStart));
            start_ += line.size() + 1;
            if (std::exchange(skippingCutLine_, false)) {
                continue;  // the rest of a line handed out cut
            }
            return line;
        }
        if (atEnd_) {
            if (start_ == end_ || descriptor_ < 0 || reading_ != FileReading::read) {
                return std::nullopt;
            }
            const std::string_view last(lineStart, end_ - start_);
            start_ = end_;
            if (std::exchange(skippingCutLine_, false)) {
                return std::nullopt;
            }
            return last;  // without a newline
        }
        // Keep the unfinished line, and read on after it.
        std::memmove(buffer_, lineStart, end_ - start_);
        end_ -= start_;
        start_ = 0;
        if (end_ == sizeof buffer_) {
            // A line longer than the buffer: handed out cut, the rest skipped.
            end_ = 0;
            const bool cut = !std::exchange(skippingCutLine_, true);
            if (cut) {
                return std::string_view(buffer_, sizeof buffer_);
            }
        }
        const ssize_t count = ::read(descriptor_, buffer_ + end_, sizeof buffer_ - end_);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            reading_ = FileReading::unreadable;
            atEnd_ = true;
            return std::nullopt;
        }
        if (count == 0) {
            reading_ = FileReading::read;
            atEnd_ = true;
        }
        end_ += static_cast<std::size_t>(count);
    }
}

MemoryValue readMemoryValue(const char* path, std::string_view key) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    const auto skipSpace = [&isSpace](std::string_view text) {
        while (!text.empty() && isSpace(text.front())) {
            text.remove_prefix(1);
        }
        return text;
    };
    const auto firstWord = [&isSpace](std::string_view text) {
        std::size_t size = 0;
        while (size < text.size() && !isSpace(text[size])) {
            ++size;
        }
        return text.substr(0, size);
    };
    FileLines lines(path);
    MemoryValue value;
    while (const std::optional<std::string_view> line = lines.next()) {
        std::string_view words = skipSpace(*line);
        if (!key.empty()) {
            if (firstWord(words) != key) {
                continue;
            }
            words = skipSpace(words.substr(key.size()));
        }
        std::uint64_t number = 0;
        const auto [end, error] =
            std::from_chars(words.data(), words.data() + words.size(), number);
        if (error != std::errc() || (end != words.data() + words.size() && !isSpace(*end))) {
            break;  // "max", or not a number
        }
        const std::string_view unit =
            firstWord(skipSpace(words.substr(static_cast<std::size_t>(end - words.data()))));
        value.number = unit == "kB" ? saturatingMultiply(number, 1024) : number;
        break;
    }
    // What was found counts only in a file read to its end: a number read before a failure
    // may be a different file's (the control group's, say, as it is removed).
    while (lines.next()) {
    }
    value.reading = lines.reading();
    if (value.reading != FileReading::read) {
        value.number.reset();
    }
    return value;
}

std::uint64_t recursiveModelsFootprint(int depth) {
    const std::uint64_t levels = static_cast<std::uint64_t>(std::max(depth, 1));
    // 2^depth - 1 balls, and a holder node with `depth` limbs.
    const std::uint64_t tree = saturatingMultiply(treeBalls(depth), nodeFootprint<BallTree>);
    const std::uint64_t chain =
        saturatingAdd(nodeFootprint<SceneNode>, levels * nodeFootprint<SwingingLimb>);
    return saturatingAdd(tree, chain);
}

std::uint64_t drawingReserve(int depth) {
    if (!framesGoToDriver) {
        return 0;
    }
    return drawingCost(treeBalls(depth));
}

std::uint64_t memoryNeededForNodes(std::uint64_t nodes, std::uint64_t balls) {
    const std::uint64_t largest =
        std::max({nodeFootprint<SceneNode>, nodeFootprint<BallTree>, nodeFootprint<SwingingLimb>});
    const std::uint64_t drawing = framesGoToDriver ? drawingCost(balls) : 0;
    return saturatingAdd(saturatingMultiply(nodes, largest), drawing);
}

std::uint64_t memoryNeededAtDepth(int depth) {
    return saturatingAdd(recursiveModelsFootprint(depth), drawingReserve(depth));
}

std::uint64_t usableMemory(std::uint64_t obtainable) {
    // Stays free for the allocator's own overhead, the GL driver's other needs and the rest of
    // the process.
    const std::uint64_t headroom =
        std::min(std::max(obtainable / 8, 64 * mebibyte), obtainable / 4);
    return roomUnder(obtainable, headroom);
}

bool fitsInMemory(std::uint64_t need, std::uint64_t obtainable) {
    return need <= usableMemory(obtainable);
}

std::string describeSize(std::uint64_t bytes) {
    const double gib = static_cast<double>(bytes) / (1024.0 * mebibyte);
    char text[64];
    if (bytes == unlimited) {
        std::snprintf(text, sizeof text, "more than can be counted");
    } else if (gib >= 10.0) {
        std::snprintf(text, sizeof text, "about %.0f GiB", gib);
    } else if (gib >= 1.0) {
        std::snprintf(text, sizeof text, "about %.1f GiB", gib);
    } else if (bytes >= mebibyte) {
        std::snprintf(text, sizeof text, "about %.0f MiB",
                      static_cast<double>(bytes) / static_cast<double>(mebibyte));
    } else if (bytes >= kibibyte) {
        std::snprintf(text, sizeof text, "about %.0f KiB",
                      static_cast<double>(bytes) / static_cast<double>(kibibyte));
    } else {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    }
    return text;
}
