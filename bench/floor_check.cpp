// The floors of the benchmarks are only fair if they do the same unavoidable work as the code
// they are held against. These tests prove it on small models: the same allocations, sizes and
// frees in the same order; the same matrices after the same number of steps; the same GL calls
// with the same arguments.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "app/keyboard.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "floors.h"
#include "gl_recorder.h"
#include "scene/ball_tree.h"
#include "scene/limb.h"
#include "scene/scene_node.h"
#include "scene/tree_walks.h"

// ---- Every allocation and free while recording, with a free tied to the allocation it undoes.
// The record lives in fixed arrays, so that recording allocates nothing itself.

namespace {

struct HeapEvent {
    bool isAllocation;
    std::size_t size;  // as requested, or as handed to a sized delete (0 when unsized)
    int allocation;    // the allocation's number, counted from the start of recording;
                       // -1 for a free of something allocated before
    bool operator==(const HeapEvent&) const = default;
};

constexpr std::size_t maxEvents = 1 << 14;
HeapEvent events[maxEvents];
std::uintptr_t addresses[maxEvents];
std::size_t eventCount = 0;
int allocationCount = 0;
bool recording = false;
bool overflowed = false;

// By address only: the block is never read.
void note(bool isAllocation, std::size_t size, std::uintptr_t p) {
    if (eventCount == maxEvents) {
        overflowed = true;
        return;
    }
    int allocation = -1;
    if (isAllocation) {
        allocation = allocationCount++;
    } else {
        for (std::size_t i = eventCount; i-- > 0;) {
            if (events[i].isAllocation && addresses[i] == p) {
                allocation = events[i].allocation;
                addresses[i] = 0;  // freed: the address may come back
                break;
            }
        }
    }
    addresses[eventCount] = p;
    events[eventCount++] = {isAllocation, size, allocation};
}

template <class Work>
std::vector<HeapEvent> heapEventsOf(Work work) {
    eventCount = 0;
    allocationCount = 0;
    overflowed = false;
    recording = true;
    work();
    recording = false;
    EXPECT_FALSE(overflowed) << "more heap events than the record holds";
    return std::vector<HeapEvent>(events, events + eventCount);
}

std::size_t allocationsIn(const std::vector<HeapEvent>& e) {
    std::size_t n = 0;
    for (const HeapEvent& h : e) {
        n += h.isAllocation ? 1 : 0;
    }
    return n;
}

}  // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    if (recording) {
        note(true, size, reinterpret_cast<std::uintptr_t>(p));
    }
    return p;
}

void operator delete(void* p) noexcept {
    if (recording && p != nullptr) {
        note(false, 0, reinterpret_cast<std::uintptr_t>(p));
    }
    std::free(p);
}

void operator delete(void* p, std::size_t size) noexcept {
    if (recording && p != nullptr) {
        note(false, size, reinterpret_cast<std::uintptr_t>(p));
    }
    std::free(p);
}

namespace {

void PrintTo(const HeapEvent& e, std::ostream* os) {
    *os << (e.isAllocation ? "new(" : "delete(") << e.size << ") #" << e.allocation;
}

std::size_t ballsAt(int depth) {
    return static_cast<std::size_t>(treeBalls(depth));
}

std::vector<Mat4> treeTransforms(SceneNode* root) {
    return bench::collectTreeAnimation(root).transforms;
}

void expectSameMatrices(const std::vector<Mat4>& a, const std::vector<Mat4>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t n = 0; n < a.size(); ++n) {
        for (int i = 0; i < 16; ++i) {
            ASSERT_EQ(a[n].m[i], b[n].m[i]) << "matrix " << n << ", element " << i;
        }
    }
}

// ---- Building

TEST(BuildingFloor, AllocatesAndFreesAsBuildingAndDeletingTheTreeModel) {
    for (int depth = 0; depth <= 6; ++depth) {
        const auto ours = heapEventsOf([&] { delete buildTreeModel(depth); });
        const auto floor =
            heapEventsOf([&] { bench::freeTreeModel(bench::allocateTreeModel(depth)); });
        // Every ball, and a list entry for each but the root.
        EXPECT_EQ(allocationsIn(ours), 2 * ballsAt(depth) - 1) << "depth " << depth;
        EXPECT_EQ(ours.size(), 2 * allocationsIn(ours)) << "depth " << depth;
        EXPECT_EQ(floor, ours) << "depth " << depth;
    }
}

TEST(BuildingFloor, AllocatesAndFreesAsBuildingAndDeletingTheChainModel) {
    for (int depth = 1; depth <= 5; ++depth) {
        const auto ours = heapEventsOf([&] { delete buildChainModel(depth); });
        const auto floor =
            heapEventsOf([&] { bench::freeChainModel(bench::allocateChainModel(depth)); });
        // The holder, the limbs, and a list entry for each limb.
        EXPECT_EQ(allocationsIn(ours), 1 + 2 * static_cast<std::size_t>(depth));
        EXPECT_EQ(floor, ours) << "depth " << depth;
    }
}

// The rebuild that the depth keys make, without their memory check (which reads files, and
// is our work on top of the floor): the depth is changed by the keys' own route, then the
// rebuild at that depth is what is compared.
TEST(BuildingFloor, AllocatesAndFreesAsRebuildingTheRecursiveModels) {
    resetCatalogue();
    buildScene();
    bench::RecursiveModels models = bench::allocateRecursiveModels(recursionDepth);
    for (int depth : {2, 3, 4, 5, 6, 4}) {
        while (recursionDepth < depth) {
            ASSERT_EQ(raiseRecursionDepth(), std::nullopt);
        }
        while (recursionDepth > depth) {
            ASSERT_EQ(lowerRecursionDepth(), std::nullopt);
        }
        ASSERT_EQ(recursionDepth, depth);
        bench::rebuildRecursiveModels(models, depth);
        const auto ours = heapEventsOf([] { rebuildRecursiveModels(); });
        const auto floor = heapEventsOf([&] { bench::rebuildRecursiveModels(models, depth); });
        // The new tree model and chain model.
        EXPECT_EQ(allocationsIn(ours), 2 * ballsAt(depth) - 1 + 1 + 2 * std::size_t(depth));
        EXPECT_EQ(floor, ours) << "depth " << depth;
    }
    bench::freeRecursiveModels(models);
    // The viewer keeps its slots and models to the end; this test gives them back.
    resetCatalogue();
}

// ---- Animating

TEST(AnimationFloor, StepsTheTreeModelAsAnimateTree) {
    SceneNode* tree = buildTreeModel(5);
    const std::vector<Mat4> start = treeTransforms(tree);
    bench::TreeAnimation floor = bench::collectTreeAnimation(tree);
    ASSERT_EQ(floor.transforms.size(), 31u);
    for (int step = 0; step < 25; ++step) {
        animateTree(tree);
        bench::animate(floor);
    }
    const std::vector<Mat4> ours = treeTransforms(tree);
    EXPECT_NE(ours[5].m[0], start[5].m[0]) << "the steps changed nothing";
    expectSameMatrices(floor.transforms, ours);
    delete tree;
}

std::vector<Mat4> jointTransforms(SceneNode* root) {
    std::vector<Mat4> m;
    for (const auto& joint : bench::collectSwingAnimation(root).joints) {
        m.push_back(joint.transform);
    }
    return m;
}

TEST(AnimationFloor, StepsTheFanAsAnimateTree) {
    SceneNode* fan = buildFanModel();
    // Taken over part way, so the floor must carry on from the limbs' own step count.
    for (int step = 0; step < 7; ++step) {
        animateTree(fan);
    }
    const std::vector<Mat4> start = jointTransforms(fan);
    bench::SwingAnimation floor = bench::collectSwingAnimation(fan);
    ASSERT_EQ(floor.joints.size(), 120u);
    for (int step = 0; step < 40; ++step) {
        animateTree(fan);
        bench::animate(floor);
    }
    std::vector<Mat4> ours = jointTransforms(fan);
    EXPECT_NE(ours[1].m[0], start[1].m[0]) << "the steps changed nothing";
    std::vector<Mat4> floorMatrices;
    for (const auto& joint : floor.joints) {
        floorMatrices.push_back(joint.transform);
    }
    expectSameMatrices(floorMatrices, ours);
    delete fan;
}

// ---- Drawing

template <class Draw>
std::vector<gl_double::Call> callsOf(Draw draw) {
    gl_double::reset();
    draw();
    return gl_double::calls();
}

TEST(DrawingFloor, CallsAsLimbDraw) {
    for (const auto& [radius, length] : {std::pair{0.5, 3.0}, std::pair{0.25, 4.0}}) {
        Limb limb(radius, length);
        const auto ours = callsOf([&] { limb.draw(); });
        const bench::LimbGeometry geometry = bench::limbGeometry(radius, length);
        const auto floor = callsOf([&] { bench::drawLimb(geometry); });
        EXPECT_EQ(ours.size(), 507u);
        EXPECT_EQ(floor, ours);
    }
}

TEST(DrawingFloor, CallsAsRenderTreeOnTheTreeModel) {
    SceneNode* tree = buildTreeModel(4);
    for (int step = 0; step < 3; ++step) {
        animateTree(tree);
    }
    const auto ours = callsOf([&] { renderTree(tree); });
    const bench::TreeDrawing drawing = bench::collectTreeDrawing(tree);
    const auto floor = callsOf([&] { bench::render(drawing); });
    EXPECT_EQ(gl_double::countOf("glutSolidSphere"), 15u);
    EXPECT_EQ(floor, ours);
    delete tree;
}

TEST(DrawingFloor, CallsAsRenderTreeOnTheFan) {
    SceneNode* fan = buildFanModel();
    animateTree(fan);
    const auto ours = callsOf([&] { renderTree(fan); });
    const bench::LimbModelDrawing drawing = bench::collectLimbModelDrawing(fan);
    const auto floor = callsOf([&] { bench::render(drawing); });
    EXPECT_EQ(gl_double::countOf("glutSolidSphere"), 240u);
    EXPECT_EQ(floor, ours);
    delete fan;
}

TEST(DrawingFloor, RefusesModelsItCannotStandFor) {
    SceneNode* fan = buildFanModel();
    EXPECT_THROW(bench::collectTreeDrawing(fan), std::invalid_argument);
    EXPECT_THROW(bench::collectTreeAnimation(fan), std::invalid_argument);
    delete fan;
    SceneNode* tree = buildTreeModel(3);
    EXPECT_THROW(bench::collectSwingAnimation(tree), std::invalid_argument);
    delete tree;
}

TEST(Counting, NodesOfAModel) {
    SceneNode* tree = buildTreeModel(6);
    EXPECT_EQ(bench::nodeCount(tree), 63u);
    delete tree;
    SceneNode* fan = buildFanModel();
    EXPECT_EQ(bench::nodeCount(fan), 141u);
    delete fan;
}

}  // namespace
