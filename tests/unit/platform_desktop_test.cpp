#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/memory_guard.h"
#include "app/platform.h"
#include "app/startup.h"
#include "sanitizer.h"

namespace {

constexpr std::size_t kibibyte = 1024;
constexpr std::size_t mebibyte = 1024 * kibibyte;

long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// What Mesa's software renderer does with the heap in a frame of the deep tree: 96 MiB of its
// scenes' 64 KiB blocks and eight of its 1 MiB upload buffers, all written, then all freed once
// the frame is drawn. Returns the minor page faults that the frame took.
long frameLikeTheDriver() {
    const long before = minorFaults();
    std::vector<void*> blocks;
    for (int i = 0; i < 8; ++i) {
        void* buffer = nullptr;
        if (posix_memalign(&buffer, 64, mebibyte) != 0) {
            std::exit(10);
        }
        blocks.push_back(buffer);
    }
    for (std::size_t taken = 0; taken < 96 * mebibyte; taken += 64 * kibibyte) {
        blocks.push_back(std::malloc(64 * kibibyte));
    }
    for (void* block : blocks) {
        std::memset(block, 1, 64 * kibibyte);
    }
    for (void* block : blocks) {
        std::free(block);
    }
    return minorFaults() - before;
}

// The viewer's start-up, then frames of the same size: exits with 0 when the later ones take no
// memory anew and the memory kept still counts as obtainable.
[[noreturn]] void openTheWindowAndDrawFrames() {
    char program[] = "scene-viewer";
    char* argv[] = {program, nullptr};
    int argc = 1;
    openWindow(&argc, argv);
    // Under an address-space limit, so that what the process can still get is exact.
    const auto size = readMemoryValue("/proc/self/status", "VmSize:").number.value();
    const rlimit limit{size + 512 * mebibyte, RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
        std::exit(11);
    }
    const std::uint64_t obtainableBefore = obtainableMemory();
    const long firstFrame = frameLikeTheDriver();
    // The aligned buffers settle into their places in the heap over a few frames.
    long laterFrame = firstFrame;
    for (int frame = 0; frame < 5; ++frame) {
        laterFrame = std::min(laterFrame, frameLikeTheDriver());
    }
    const std::uint64_t obtainableAfter = obtainableMemory();
    std::fprintf(stderr, "page faults %ld, later %ld; obtainable %llu MiB then %llu MiB\n",
                 firstFrame, laterFrame,
                 static_cast<unsigned long long>(obtainableBefore / mebibyte),
                 static_cast<unsigned long long>(obtainableAfter / mebibyte));
    const bool kept = firstFrame > 20000 && laterFrame < 250;
    const bool counted = obtainableAfter + 8 * mebibyte >= obtainableBefore;
    std::exit(kept && counted ? 0 : 1);
}

// Every program that opens the viewer's window draws its frames from memory it keeps: later
// frames of the same size take no memory anew from the system (glibc's defaults would hand it
// back and fault all 24,000 pages in again, every frame), and what is kept still counts as
// memory the depth keys can have.
TEST(FrameMemory, TheWindowsFramesReuseTheMemoryOfTheFramesBeforeAndItStillCounts) {
    if (underAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer's allocator keeps its own memory its own way";
    }
    EXPECT_EXIT(openTheWindowAndDrawFrames(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
