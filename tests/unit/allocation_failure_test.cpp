// Runs the depth keys with an operator new that fails on demand, and counts what stays
// allocated, to show that a rebuild that runs out of memory half way leaves nothing behind; and
// the memory guard's reading of its files, which must answer however the heap fails. It
// replaces the global allocation functions, so it is a program of its own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <new>
#include <set>
#include <vector>

#include "app/keyboard.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "app/platform.h"
#include "app_state.h"
#include "scene/swinging_limb.h"

namespace {

// The allocation that fails, counted from 0; -1: none. Only that one fails, as when a model
// outgrows what is left: the models it leaves half built are freed, and the line that says the
// depth was refused is allocated from what they leave.
long allocationsBeforeFailure = -1;
long liveAllocations = 0;
long failedAllocations = 0;

// While on, every block freed is logged here, in order; the log itself allocates nothing.
bool loggingFrees = false;
const void* freedBlocks[4096];
std::size_t freedCount = 0;

}  // namespace

void* operator new(std::size_t size) {
    if (allocationsBeforeFailure == 0) {
        allocationsBeforeFailure = -1;
        ++failedAllocations;
        throw std::bad_alloc();
    }
    if (allocationsBeforeFailure > 0) {
        --allocationsBeforeFailure;
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    ++liveAllocations;
    return p;
}

void operator delete(void* p) noexcept {
    if (p != nullptr) {
        if (loggingFrees && freedCount < std::size(freedBlocks)) {
            freedBlocks[freedCount++] = p;
        }
        --liveAllocations;
        std::free(p);
    }
}

void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

struct Pose {
    std::vector<const SceneNode*> nodes;
    std::vector<Mat4> transforms;
    std::vector<int> frameCounts;

    explicit Pose(const SceneNode* root) { collect(root); }

    void collect(const SceneNode* node) {
        nodes.push_back(node);
        transforms.push_back(node->transform);
        if (const auto* limb = dynamic_cast<const SwingingLimb*>(node)) {
            frameCounts.push_back(limb->frameCount);
        }
        for (const SceneNode* child : node->children) {
            collect(child);
        }
    }

    bool operator==(const Pose& other) const {
        if (nodes != other.nodes || frameCounts != other.frameCounts) {
            return false;
        }
        for (std::size_t i = 0; i < transforms.size(); ++i) {
            for (int k = 0; k < 16; ++k) {
                if (transforms[i].m[k] != other.transforms[i].m[k]) {
                    return false;
                }
            }
        }
        return true;
    }
};

// Where the nodes of a model sit in memory.
std::set<const void*> nodeBlocks(const SceneNode* node) {
    std::set<const void*> blocks{dynamic_cast<const void*>(node)};
    for (const SceneNode* child : node->children) {
        blocks.merge(nodeBlocks(child));
    }
    return blocks;
}

class AllocationFailure : public ::testing::Test {
  protected:
    void SetUp() override {
        resetApplication();
        buildSceneAtDepth(3);
        // Move both recursive models out of their initial pose.
        for (int i = 0; i < 5; ++i) {
            onIdle();
        }
        for (int i = 0; i < 3; ++i) {
            nextModel();  // to the tree model
        }
        for (int i = 0; i < 5; ++i) {
            onIdle();
        }
    }
    void TearDown() override { resetApplication(); }
};

TEST_F(AllocationFailure, FailedRebuildLeavesDepthAndBothModelsAsTheyWere) {
    for (unsigned char key : {'+', '-'}) {
        bool rebuilt = false;
        for (long k = 0; !rebuilt && k < 200; ++k) {
            const Pose chain(chainSlot->root), tree(treeSlot->root);
            const int depth = recursionDepth;
            ::testing::internal::CaptureStderr();
            const long live = liveAllocations;
            allocationsBeforeFailure = k;
            onKeyboard(key, 0, 0);
            allocationsBeforeFailure = -1;
            const long liveAfter = liveAllocations;
            const std::string message = ::testing::internal::GetCapturedStderr();
            rebuilt = recursionDepth != depth;
            if (!rebuilt) {
                EXPECT_EQ(recursionDepth, depth) << key << " failing after " << k;
                EXPECT_TRUE(Pose(chainSlot->root) == chain) << key << " failing after " << k;
                EXPECT_TRUE(Pose(treeSlot->root) == tree) << key << " failing after " << k;
                EXPECT_EQ(liveAfter, live) << key << " failing after " << k;
                EXPECT_THAT(message, ::testing::HasSubstr("ran out of memory; staying at depth"));
            }
        }
        EXPECT_TRUE(rebuilt) << key;
    }
    EXPECT_EQ(recursionDepth, 3);
}

TEST_F(AllocationFailure, RebuildFreesEveryOldTreeNodeBeforeAnyOldChainNode) {
    const std::set<const void*> tree = nodeBlocks(treeSlot->root);
    const std::set<const void*> chain = nodeBlocks(chainSlot->root);
    freedCount = 0;
    loggingFrees = true;
    onKeyboard('+', 0, 0);
    loggingFrees = false;
    ASSERT_LT(freedCount, std::size(freedBlocks));
    // Every old node is freed once, and the last of the tree model's goes before the first of
    // the chain model's.
    std::size_t treeFreed = 0, chainFreed = 0, lastOfTree = 0, firstOfChain = freedCount;
    for (std::size_t i = 0; i < freedCount; ++i) {
        if (tree.count(freedBlocks[i]) != 0) {
            ++treeFreed;
            lastOfTree = i;
        } else if (chain.count(freedBlocks[i]) != 0) {
            ++chainFreed;
            firstOfChain = std::min(firstOfChain, i);
        }
    }
    EXPECT_EQ(treeFreed, tree.size());
    EXPECT_EQ(chainFreed, chain.size());
    EXPECT_LT(lastOfTree, firstOfChain);
}

TEST_F(AllocationFailure, RebuildCyclesLeakNothing) {
    const long live = liveAllocations;
    for (int cycle = 0; cycle < 50; ++cycle) {
        onKeyboard('+', 0, 0);
        onKeyboard('-', 0, 0);
        onKeyboard('-', 0, 0);
        onKeyboard('=', 0, 0);
    }
    EXPECT_EQ(recursionDepth, 3);
    EXPECT_EQ(liveAllocations, live);
}

// The guard reads its files and works out what is available without allocating: a heap that
// gives nothing leaves it answering as before, where reading its files once threw.
TEST(MemoryGuardAllocationFailure, ReadingAFileAllocatesNothing) {
    const std::string path = "/proc/self/status";
    const long failed = failedAllocations;
    allocationsBeforeFailure = 0;
    const MemoryValue size = readMemoryValue(path, "VmSize:");
    allocationsBeforeFailure = -1;
    EXPECT_EQ(failedAllocations, failed);
    EXPECT_EQ(size.reading, FileReading::read);
    EXPECT_GT(size.number.value_or(0), 0u);
}

TEST(MemoryGuardAllocationFailure, ObtainableMemoryAllocatesNothing) {
    const std::uint64_t unfailing = obtainableMemory();
    const long failed = failedAllocations;
    const long live = liveAllocations;
    allocationsBeforeFailure = 0;
    std::uint64_t room = 0;
    EXPECT_NO_THROW(room = obtainableMemory());
    allocationsBeforeFailure = -1;
    EXPECT_EQ(failedAllocations, failed);
    EXPECT_EQ(liveAllocations, live);
    // The same answer, give or take what the machine did meanwhile.
    EXPECT_GT(room, 0u);
    EXPECT_GT(room, unfailing / 2);
}

}  // namespace
