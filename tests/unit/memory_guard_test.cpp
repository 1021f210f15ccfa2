#include "app/memory_guard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>
#include <utility>

#include "app/keyboard.h"
#include "app/model_catalogue.h"
#include "app/platform.h"
#include "app_state.h"
#include "sanitizer.h"
#include "tree_queries.h"

namespace {

constexpr std::uint64_t mebibyte = 1024 * 1024;
constexpr std::uint64_t everything = std::numeric_limits<std::uint64_t>::max();

std::uint64_t virtualSize() {
    return readMemoryValue("/proc/self/status", "VmSize:").number.value();
}

void limitAddressSpace(std::uint64_t room) {
    const rlimit limit{virtualSize() + room, RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
        std::perror("setrlimit");
        std::exit(10);
    }
}

TEST(MemoryGuard, FootprintGrowsByOneLevelOfBallsAndOneLimbPerDepth) {
    for (int depth = 1; depth < 40; ++depth) {
        const std::uint64_t step =
            recursiveModelsFootprint(depth + 1) - recursiveModelsFootprint(depth);
        const std::uint64_t newBalls = std::uint64_t{1} << depth;
        // Each ball is a 168-byte node and a list entry, both rounded up by the allocator; the
        // one new limb adds about as much again.
        EXPECT_GE(step, newBalls * 200 + 200) << "depth " << depth;
        EXPECT_LE(step, newBalls * 216 + 240) << "depth " << depth;
    }
}

TEST(MemoryGuard, FootprintMatchesWhatTheHeapReallyGives) {
    if (underAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer's allocator rounds differently";
    }
    for (int depth : {12, 16}) {
        const std::size_t before = mallinfo2().uordblks;
        SceneNode* tree = buildTreeModel(depth);
        SceneNode* chain = buildChainModel(depth);
        const std::size_t used = mallinfo2().uordblks - before;
        delete tree;
        delete chain;
        const double ratio =
            static_cast<double>(used) / static_cast<double>(recursiveModelsFootprint(depth));
        EXPECT_NEAR(ratio, 1.0, 0.02) << "depth " << depth << ": " << used << " bytes";
    }
}

TEST(MemoryGuard, AbsurdDepthsSaturateAndNeverFit) {
    EXPECT_EQ(recursiveModelsFootprint(64), everything);
    EXPECT_EQ(recursiveModelsFootprint(std::numeric_limits<int>::max()), everything);
    std::uint64_t previous = 0;
    for (int depth = 1; depth < 80; ++depth) {
        EXPECT_GE(recursiveModelsFootprint(depth), previous);
        previous = recursiveModelsFootprint(depth);
    }
    // Whatever the machine, no depth above 56 can be built, so building, walking and deleting
    // never recurse deeper than that.
    for (int depth = 57; depth < 80; ++depth) {
        EXPECT_FALSE(fitsInMemory(recursiveModelsFootprint(depth), everything)) << depth;
    }
    EXPECT_EQ(recursiveModelsFootprint(0), recursiveModelsFootprint(1));
    EXPECT_EQ(recursiveModelsFootprint(-5), recursiveModelsFootprint(1));
}

TEST(MemoryGuard, DrawingReserveHoldsWhatMesaTookWithItsRasterisersStarved) {
    // The growth of the viewer's address space over a frame of the tree model on llvmpipe, its
    // rasterising threads scheduled as idle beside busy cores, so that the frame stayed binned
    // (bench/viewer_memory.py peaks --starve). From depth 16 on, its 64 scenes in flight.
    reserveForDriverDrawing();
    const std::pair<int, std::uint64_t> measured[] = {
        {8, 12 * mebibyte},   {9, 21 * mebibyte},   {10, 55 * mebibyte},  {11, 65 * mebibyte},
        {12, 129 * mebibyte}, {13, 258 * mebibyte}, {16, 2306 * mebibyte}};
    for (const auto& [depth, growth] : measured) {
        EXPECT_GE(drawingReserve(depth), growth) << "depth " << depth;
    }
    // No deeper tree keeps more scenes in flight.
    EXPECT_EQ(drawingReserve(17), drawingReserve(16));
    EXPECT_EQ(drawingReserve(std::numeric_limits<int>::max()), drawingReserve(16));
    EXPECT_LT(drawingReserve(16), 2400 * mebibyte);
}

TEST(MemoryGuard, HeadroomIsAnEighthAtLeast64MiBButNeverAQuarterOfSmallLimits) {
    const std::uint64_t gib = 1024 * mebibyte;
    EXPECT_TRUE(fitsInMemory(7 * gib, 8 * gib));
    EXPECT_FALSE(fitsInMemory(7 * gib + 1, 8 * gib));
    EXPECT_TRUE(fitsInMemory(236 * mebibyte, 300 * mebibyte));
    EXPECT_FALSE(fitsInMemory(236 * mebibyte + 1, 300 * mebibyte));
    // What a 512 MiB limit leaves beside the GL driver: small depths must still fit.
    EXPECT_TRUE(fitsInMemory(30 * mebibyte, 40 * mebibyte));
    EXPECT_FALSE(fitsInMemory(30 * mebibyte + 1, 40 * mebibyte));
    reserveForDriverDrawing();
    EXPECT_TRUE(fitsInMemory(memoryNeededAtDepth(4), 40 * mebibyte));
}

TEST(MemoryGuard, SizesAreDescribedRoughlyButNeverAsZero) {
    EXPECT_EQ(describeSize(26ull * 1024 * mebibyte + 3), "about 26 GiB");
    EXPECT_EQ(describeSize(1536 * mebibyte), "about 1.5 GiB");
    EXPECT_EQ(describeSize(300 * mebibyte), "about 300 MiB");
    EXPECT_EQ(describeSize(mebibyte - 1), "about 1024 KiB");
    EXPECT_EQ(describeSize(12 * 1024 + 100), "about 12 KiB");
    EXPECT_EQ(describeSize(640), "640 bytes");
    EXPECT_EQ(describeSize(0), "0 bytes");
}

MemoryValue number(std::uint64_t value) {
    return {FileReading::read, value};
}

MemoryValue noNumber() {
    return {FileReading::read, std::nullopt};
}

TEST(MemoryGuard, ReadsProcAndControlGroupFiles) {
    const std::string path = ::testing::TempDir() + "memory_guard_values";
    auto write = [&](const std::string& text) { std::ofstream(path) << text; };
    write("MemTotal:       24554444 kB\nMemAvailable:   1000 kB\n");
    EXPECT_EQ(readMemoryValue(path, "MemAvailable:"), number(1024000));
    EXPECT_EQ(readMemoryValue(path, "MemTotal:"), number(24554444ull * 1024));
    EXPECT_EQ(readMemoryValue(path, "Missing:"), noNumber());
    EXPECT_EQ(readMemoryValue(path, "Mem"), noNumber()) << "a key is a whole word";
    write("max\n");
    EXPECT_EQ(readMemoryValue(path, ""), noNumber());
    write("123456789\n");
    EXPECT_EQ(readMemoryValue(path, ""), number(123456789));
    write("123456789");
    EXPECT_EQ(readMemoryValue(path, ""), number(123456789)) << "the last line needs no newline";
    // What is not a number in range is none.
    for (const char* text : {"-5\n", "12x\n", "99999999999999999999\n", "\n", ""}) {
        write(text);
        EXPECT_EQ(readMemoryValue(path, ""), noNumber()) << text;
    }
    write("VmSize:\t18446744073709551615 kB\n");
    EXPECT_EQ(readMemoryValue(path, "VmSize:"), number(everything)) << "saturates";
    // A line longer than the reader's buffer is handed cut; the lines after it are read whole.
    write(std::string(10000, 'x') + "\nVmData:  7 kB\n");
    EXPECT_EQ(readMemoryValue(path, "VmData:"), number(7 * 1024));
    std::remove(path.c_str());
}

TEST(MemoryGuard, FilesThatCannotBeReadGiveNoNumberAndSaySo) {
    const std::string path = ::testing::TempDir() + "memory_guard_absent";
    EXPECT_EQ(readMemoryValue(path, ""), (MemoryValue{FileReading::absent, std::nullopt}));
    EXPECT_EQ(readMemoryValue(path + "/under", ""),
              (MemoryValue{FileReading::absent, std::nullopt}));
    // A folder opens, but cannot be read.
    EXPECT_EQ(readMemoryValue(::testing::TempDir(), ""),
              (MemoryValue{FileReading::unreadable, std::nullopt}));
}

// With no file descriptor to be had, none of the guard's files can be opened: nothing is known
// to be available but what is free in the heap, and the guard says so rather than failing.
TEST(MemoryGuard, ObtainableMemoryIsWhatTheHeapHasFreeWhenNoFileCanBeOpened) {
    EXPECT_EXIT(
        {
            rlimit files;
            getrlimit(RLIMIT_NOFILE, &files);
            rlimit noFiles = files;
            noFiles.rlim_cur = 0;
            if (setrlimit(RLIMIT_NOFILE, &noFiles) != 0) {
                std::exit(10);
            }
            const MemoryValue status = readMemoryValue("/proc/self/status", "VmSize:");
            const std::uint64_t room = obtainableMemory();
            const std::uint64_t free = mallinfo2().fordblks;
            // The sanitizers need descriptors of their own on the way out.
            setrlimit(RLIMIT_NOFILE, &files);
            std::exit(status.reading == FileReading::unreadable && room <= free ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(MemoryGuard, ObtainableMemoryHonoursTheAddressSpaceLimit) {
    if (underAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer needs an unlimited address space";
    }
    EXPECT_EXIT(
        {
            limitAddressSpace(200 * mebibyte);
            // What is free in the heap can be reused under the limit, and counts too.
            const std::uint64_t room = obtainableMemory() - mallinfo2().fordblks;
            std::exit(room <= 200 * mebibyte && room > 150 * mebibyte ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(MemoryGuard, DepthKeysStopAtTheDeepestDepthThatFitsAndCanAlwaysGoBackDown) {
    if (underAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer needs an unlimited address space";
    }
    EXPECT_EXIT(
        {
            resetApplication();
            buildScene();
            reserveForDriverDrawing();
            limitAddressSpace(256 * mebibyte);
            for (int i = 0; i < 40; ++i) {
                onKeyboard('+', 0, 0);
            }
            const int reached = recursionDepth;
            const auto modelsMatch = [] {
                return nodeCount(treeSlot->root) == (1u << recursionDepth) - 1 &&
                       nodeCount(chainSlot->root) == 1u + recursionDepth;
            };
            bool ok = modelsMatch() && reached > 10;
            // The next depth would not have fitted in what was left with this one built.
            ok = ok && !fitsInMemory(memoryNeededAtDepth(reached + 1), obtainableMemory());
            std::fprintf(stderr, "reached depth %d\n", reached);
            // Every "-" is taken, all the way down, also when the smaller models would not fit
            // beside the present ones: with the limit lowered to what is in use now, none would.
            limitAddressSpace(0);
            for (int depth = reached - 1; depth >= 1; --depth) {
                onKeyboard('-', 0, 0);
                ok = ok && recursionDepth == depth && modelsMatch();
            }
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        ::testing::ContainsRegex("recursion depth [0-9]+ needs about [0-9.]+ [KMG]iB but about "
                                 "[0-9.]+ [KMG]iB is available; staying at depth [0-9]+\n"
                                 "reached depth [0-9]+\n$"));
}

}  // namespace
