// Our own work with a GL that does nothing (null_gl): building and deleting the tree model,
// the "+" key, animateTree and renderTree on the tree model and the fan, Limb::draw, memory per
// ball, and whole frames. Each is held against its floor (floors.h), run side by side in the
// same process; bench/plot_results.py reads the JSON output and sets the medians beside their
// floors. The deepest tree is also walked in the states of the heap that a session's "+" and
// "-" presses, and repeated building and deleting, leave behind.

#include <malloc.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <benchmark/benchmark.h>

#include "app/frame_loop.h"
#include "app/keyboard.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "floors.h"
#include "scene/limb.h"
#include "scene/scene_node.h"
#include "scene/tree_walks.h"

namespace {

constexpr int deepest = 20;

double ballsAt(int depth) {
    return static_cast<double>(treeBalls(depth));
}

// Our figures are per ball, node or call: "units" says how many one iteration handles.
void setUnits(benchmark::State& state, double units) {
    state.counters["units"] = units;
    state.SetItemsProcessed(
        static_cast<std::int64_t>(static_cast<double>(state.iterations()) * units));
}

// The recursive models at `depth`, built by the viewer's own rebuild.
void setDepth(int depth) {
    while (recursionDepth != depth) {
        const int before = recursionDepth;
        const std::optional<std::string> refusal =
            depth > before ? raiseRecursionDepth() : lowerRecursionDepth();
        if (refusal) {
            std::fprintf(stderr, "%s\n", refusal->c_str());
        }
        if (recursionDepth == before) {
            std::fprintf(stderr, "cannot reach recursion depth %d\n", depth);
            std::exit(1);
        }
    }
}

// Model `index` of the catalogue (chain, figure, fan, tree) on screen, at `depth`, chosen the
// way a user would: the "next model" key until it is there.
void selectModel(int index, int depth) {
    setDepth(depth);
    const ModelList::iterator wanted = std::next(modelList.begin(), index);
    while (currentModel != wanted) {
        onKeyboard('n', 0, 0);
    }
}

// ---- Building and deleting

void treeBuild(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    for (auto _ : state) {
        SceneNode* tree = buildTreeModel(depth);
        benchmark::DoNotOptimize(tree);
        delete tree;
    }
    setUnits(state, ballsAt(depth));
}

void treeBuildFloor(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    for (auto _ : state) {
        bench::Block* tree = bench::allocateTreeModel(depth);
        benchmark::DoNotOptimize(tree);
        bench::freeTreeModel(tree);
    }
    setUnits(state, ballsAt(depth));
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// "+" from depth - 1 to depth, as the key does it (with its memory check); "-" brings the
// models back between the timed presses.
void plusKey(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    setDepth(depth - 1);
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        onKeyboard('+', 0, 0);
        state.SetIterationTime(secondsSince(start));
        if (recursionDepth != depth) {
            state.SkipWithError("the depth did not change");
            break;
        }
        onKeyboard('-', 0, 0);
    }
    setDepth(1);
    setUnits(state, 1.0);
}

void plusKeyFloor(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    bench::RecursiveModels models = bench::allocateRecursiveModels(depth - 1);
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        bench::rebuildRecursiveModels(models, depth);
        state.SetIterationTime(secondsSince(start));
        bench::rebuildRecursiveModels(models, depth - 1);
    }
    bench::freeRecursiveModels(models);
    setUnits(state, 1.0);
}

// ---- Memory

std::size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void treeMemory(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        SceneNode* tree = buildTreeModel(depth);
        bytes = heapInUse() - before;
        delete tree;
    }
    state.counters["bytes_per_ball"] = static_cast<double>(bytes) / ballsAt(depth);
}

void treeMemoryFloor(benchmark::State& state) {
    const int depth = static_cast<int>(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        bench::Block* tree = bench::allocateTreeModel(depth);
        bytes = heapInUse() - before;
        bench::freeTreeModel(tree);
    }
    state.counters["bytes_per_ball"] = static_cast<double>(bytes) / ballsAt(depth);
}

// ---- Walking the models: tree models at depth 10 and at the deepest depth, and one fan, with
// the floors' arrays taken from them. All are made before anything is timed, so that the trees'
// nodes come from a fresh heap, in the order they are visited, whatever runs first.

struct TreeScene {
    explicit TreeScene(int depth) : root(buildTreeModel(depth)) {}
    SceneNode* root;
    double nodes = static_cast<double>(bench::nodeCount(root));
    bench::TreeAnimation animation = bench::collectTreeAnimation(root);
    bench::TreeDrawing drawing = bench::collectTreeDrawing(root);
};

TreeScene& treeScene(int depth) {
    static std::map<int, std::unique_ptr<TreeScene>> scenes;
    std::unique_ptr<TreeScene>& scene = scenes[depth];
    if (!scene) {
        scene = std::make_unique<TreeScene>(depth);
    }
    return *scene;
}

struct FanScene {
    SceneNode* root = buildFanModel();
    double nodes = static_cast<double>(bench::nodeCount(root));
    bench::SwingAnimation animation = bench::collectSwingAnimation(root);
    bench::LimbModelDrawing drawing = bench::collectLimbModelDrawing(root);
};

FanScene& fanScene() {
    static FanScene scene;
    return scene;
}

void treeAnimate(benchmark::State& state) {
    TreeScene& scene = treeScene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        animateTree(scene.root);
    }
    setUnits(state, scene.nodes);
}

void treeAnimateFloor(benchmark::State& state) {
    TreeScene& scene = treeScene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        bench::animate(scene.animation);
        benchmark::DoNotOptimize(scene.animation.transforms.data());
        benchmark::ClobberMemory();
    }
    setUnits(state, scene.nodes);
}

void treeWalk(benchmark::State& state) {
    TreeScene& scene = treeScene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench::nodeCount(scene.root));
    }
    setUnits(state, scene.nodes);
}

void fanAnimate(benchmark::State& state) {
    FanScene& scene = fanScene();
    for (auto _ : state) {
        animateTree(scene.root);
    }
    setUnits(state, scene.nodes);
}

void fanAnimateFloor(benchmark::State& state) {
    FanScene& scene = fanScene();
    for (auto _ : state) {
        bench::animate(scene.animation);
        benchmark::DoNotOptimize(scene.animation.joints.data());
        benchmark::ClobberMemory();
    }
    setUnits(state, scene.nodes);
}

void treeRender(benchmark::State& state) {
    TreeScene& scene = treeScene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        renderTree(scene.root);
    }
    setUnits(state, scene.nodes);
}

void treeRenderFloor(benchmark::State& state) {
    TreeScene& scene = treeScene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        bench::render(scene.drawing);
    }
    setUnits(state, scene.nodes);
}

void fanRender(benchmark::State& state) {
    FanScene& scene = fanScene();
    for (auto _ : state) {
        renderTree(scene.root);
    }
    setUnits(state, scene.nodes);
}

void fanRenderFloor(benchmark::State& state) {
    FanScene& scene = fanScene();
    for (auto _ : state) {
        bench::render(scene.drawing);
    }
    setUnits(state, scene.nodes);
}

void limbDraw(benchmark::State& state) {
    Limb limb(0.5, 3.0);
    for (auto _ : state) {
        limb.draw();
    }
    setUnits(state, 1.0);
}

void limbDrawFloor(benchmark::State& state) {
    const bench::LimbGeometry geometry = bench::limbGeometry(0.5, 3.0);
    for (auto _ : state) {
        bench::drawLimb(geometry);
    }
    setUnits(state, 1.0);
}

// ---- The deepest tree in two other states of the heap. A fresh heap hands out a tree's nodes
// and list entries in the order they are built, which is the order the walks visit them; a heap
// that trees have been freed into hands out the chunks they left behind. These are measured in
// a process of their own (tools/run-benchmarks runs them apart from the rest), so that what
// they meet is made by their own set-up and not by the benchmarks that ran before.

// The catalogue's own tree model at the deepest depth, as a session holds it: reached by "+"
// presses, then down three levels and up again, twice. Each press builds the new models while
// the old ones are still alive, then frees the old ones. Kept while the depth stays there;
// every other benchmark that changes the depth leaves it lower.
SceneNode* treeAfterPresses() {
    static SceneNode* reached = nullptr;
    if (recursionDepth != deepest || treeSlot->root != reached) {
        for (int depth : {deepest, deepest - 3, deepest, deepest - 3, deepest}) {
            setDepth(depth);
        }
        reached = treeSlot->root;
    }
    return reached;
}

// A tree built by buildTreeModel after three trees of the same depth were built and deleted,
// as the building benchmarks leave the heap. Made after the presses above, whichever of the
// two is asked for first, so that the presses never meet this heap.
SceneNode* treeAfterRebuilds() {
    static SceneNode* tree = [] {
        treeAfterPresses();
        for (int round = 0; round < 3; ++round) {
            delete buildTreeModel(deepest);
        }
        return buildTreeModel(deepest);
    }();
    return tree;
}

template <SceneNode* (*tree)()>
void treeAnimateIn(benchmark::State& state) {
    SceneNode* root = tree();
    for (auto _ : state) {
        animateTree(root);
    }
    setUnits(state, ballsAt(deepest));
}

template <SceneNode* (*tree)()>
void treeRenderIn(benchmark::State& state) {
    SceneNode* root = tree();
    for (auto _ : state) {
        renderTree(root);
    }
    setUnits(state, ballsAt(deepest));
}

// ---- Whole frames with the null GL: one idle step and one display, as the main loop makes
// them. frame_bench makes the same frames on the real GL; the two give our share of a frame.

void nullFrame(benchmark::State& state, int model, int depth) {
    selectModel(model, depth);
    for (auto _ : state) {
        onIdle();
        drawFrame();
    }
    setUnits(state, 1.0);
}

void nullTreeFrame(benchmark::State& state) {
    nullFrame(state, 3, static_cast<int>(state.range(0)));
}

void nullTreeFrameAfterPresses(benchmark::State& state) {
    treeAfterPresses();
    nullFrame(state, 3, deepest);
}

// ---- Edits through the document

// One value of a ball two levels below the tree's root set, back and forth, through the one
// door: what it costs does not grow with the model, only with the path to the node.
void editApply(benchmark::State& state) {
    selectModel(3, static_cast<int>(state.range(0)));
    const NodePath ball{3, {0, 1}};
    double value = 4.0;
    for (auto _ : state) {
        value = value == 4.0 ? 5.0 : 4.0;
        document.apply(Edit::set(ball, 0, StepField::x, value));
    }
    document.apply(Edit::resetOfModel(3));
    setUnits(state, 1.0);
}

// A whole frame of the tree with one ball below its root edited, beside null_frame/tree.
void nullEditedTreeFrame(benchmark::State& state) {
    selectModel(3, static_cast<int>(state.range(0)));
    document.apply(Edit::set(NodePath{3, {0}}, 0, StepField::x, 5.0));
    for (auto _ : state) {
        onIdle();
        drawFrame();
    }
    document.apply(Edit::resetOfModel(3));
    setUnits(state, 1.0);
}

void registerBenchmarks() {
    using benchmark::RegisterBenchmark;
    for (int depth : {10, 15, deepest}) {
        RegisterBenchmark("tree_build", treeBuild)->Arg(depth)->Unit(benchmark::kMicrosecond);
        RegisterBenchmark("tree_build_floor", treeBuildFloor)
            ->Arg(depth)
            ->Unit(benchmark::kMicrosecond);
    }
    // From depth 15 on, a fixed number of presses for ours and the floor alike: how much memory
    // the allocator has handed back to the system since the last press depends on how many
    // presses came before, so both must make the same number.
    using Function = void (*)(benchmark::State&);
    const std::pair<const char*, Function> presses[] = {{"plus", plusKey},
                                                        {"plus_floor", plusKeyFloor}};
    for (int depth = 2; depth <= deepest; ++depth) {
        for (const auto& [name, function] : presses) {
            benchmark::internal::Benchmark* b = RegisterBenchmark(name, function)
                                                    ->Arg(depth)
                                                    ->UseManualTime()
                                                    ->Unit(benchmark::kMillisecond);
            if (depth >= 15) {
                b->Iterations(4);
            }
        }
    }
    RegisterBenchmark("tree_memory", treeMemory)->Arg(deepest)->Iterations(1);
    RegisterBenchmark("tree_memory_floor", treeMemoryFloor)->Arg(deepest)->Iterations(1);
    // At the deepest depth, and at depth 10, where the whole model fits into the caches.
    const std::pair<const char*, Function> treeWalks[] = {{"tree_animate", treeAnimate},
                                                          {"tree_animate_floor", treeAnimateFloor},
                                                          {"tree_render", treeRender},
                                                          {"tree_render_floor", treeRenderFloor},
                                                          {"tree_walk", treeWalk}};
    for (int depth : {10, deepest}) {
        for (const auto& [name, function] : treeWalks) {
            RegisterBenchmark(name, function)
                ->Arg(depth)
                ->Unit(depth == deepest ? benchmark::kMillisecond : benchmark::kMicrosecond);
        }
    }
    RegisterBenchmark("fan_animate", fanAnimate)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("fan_animate_floor", fanAnimateFloor)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("fan_render", fanRender)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("fan_render_floor", fanRenderFloor)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("limb_draw", limbDraw)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("limb_draw_floor", limbDrawFloor)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("null_frame/chain", nullFrame, 0, 1)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("null_frame/figure", nullFrame, 1, 1)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("null_frame/fan", nullFrame, 2, 1)->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("null_frame/tree", nullTreeFrame)
        ->DenseRange(1, 14)
        ->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("null_frame/tree_edited", nullEditedTreeFrame)
        ->Arg(12)
        ->Unit(benchmark::kMicrosecond);
    for (int depth : {8, 12, 16, deepest}) {
        RegisterBenchmark("edit_apply/tree", editApply)->Arg(depth)->Unit(benchmark::kMicrosecond);
    }
    RegisterBenchmark("after_presses/tree_animate", treeAnimateIn<treeAfterPresses>)
        ->Arg(deepest)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("after_presses/tree_render", treeRenderIn<treeAfterPresses>)
        ->Arg(deepest)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("after_presses/null_frame/tree", nullTreeFrameAfterPresses)
        ->Arg(deepest)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("after_rebuilds/tree_animate", treeAnimateIn<treeAfterRebuilds>)
        ->Arg(deepest)
        ->Unit(benchmark::kMillisecond);
    RegisterBenchmark("after_rebuilds/tree_render", treeRenderIn<treeAfterRebuilds>)
        ->Arg(deepest)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    treeScene(10);
    treeScene(deepest);
    fanScene();
    buildScene();
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // A missed target is a finding to report, not a failure of the run.
    return 0;
}
