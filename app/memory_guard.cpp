#include "app/memory_guard.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <list>
#include <sstream>

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

std::optional<std::uint64_t> readMemoryValue(const std::string& path, const std::string& key) {
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        if (!key.empty()) {
            std::string first;
            words >> first;
            if (first != key) {
                continue;
            }
        }
        std::uint64_t value = 0;
        if (!(words >> value)) {
            return std::nullopt;  // "max", or not a number
        }
        std::string unit;
        words >> unit;
        return unit == "kB" ? saturatingMultiply(value, 1024) : value;
    }
    return std::nullopt;
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
