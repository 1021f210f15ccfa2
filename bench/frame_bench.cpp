// Whole frames of the real viewer on the real GL, GLU and GLUT (Mesa, under Xvfb on a machine
// without a GPU), each frame as the viewer runs it: the window opened by the viewer's own
// start-up (openWindow, with the process's allocator settings), the scene built as the viewer
// builds it, the model and depth chosen with the viewer's own keys, and each frame one pass of
// GLUT's main loop: glutMainLoopEvent, which handles the window's events and calls onDisplay
// (the drawing and the buffer swap) for the redisplay that the previous onIdle asked for, and
// then onIdle. So a frame here is a frame of the viewer, swap included, and its rate is the
// viewer's, which bench/viewer_frames.py counts at the swaps of the real viewer to compare.
// Needs a display: run it under tools/with-xvfb or xvfb-run.

#include <GL/freeglut.h>
#include <sys/resource.h>

#include <iterator>

#include <benchmark/benchmark.h>

#include "app/frame_loop.h"
#include "app/keyboard.h"
#include "app/model_catalogue.h"
#include "app/startup.h"

namespace {

void setDepth(int depth) {
    while (recursionDepth < depth) {
        onKeyboard('+', 0, 0);
    }
    while (recursionDepth > depth) {
        onKeyboard('-', 0, 0);
    }
}

void selectModel(int index, int depth) {
    setDepth(depth);
    const ModelList::iterator wanted = std::next(modelList.begin(), index);
    while (currentModel != wanted) {
        onKeyboard('n', 0, 0);
    }
}

// One pass of glutMainLoop's loop, which the viewer runs for good.
void viewerFrame() {
    glutMainLoopEvent();
    onIdle();
}

rusage processUsage() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage;
}

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

// The CPU time of every thread of the process, the GL driver's among them.
double processCpuSeconds(const rusage& usage) {
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void frame(benchmark::State& state, int model, int depth) {
    selectModel(model, depth);
    // The first frames after a rebuild are not the model's steady state.
    for (int settle = 0; settle < 3; ++settle) {
        viewerFrame();
    }
    const rusage before = processUsage();
    for (auto _ : state) {
        viewerFrame();
    }
    const rusage after = processUsage();
    state.counters["units"] = 1.0;
    // Page faults a frame, the memory that a frame takes from the kernel anew, and the CPU time
    // of all the process's threads a frame: figures that the machine's load changes far less
    // than the wall clock, to set beside the real viewer's (bench/viewer_frames.py).
    state.counters["faults"] =
        benchmark::Counter(static_cast<double>(after.ru_minflt - before.ru_minflt),
                           benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] =
        benchmark::Counter(1e3 * (processCpuSeconds(after) - processCpuSeconds(before)),
                           benchmark::Counter::kAvgIterations);
}

void treeFrame(benchmark::State& state) {
    frame(state, 3, static_cast<int>(state.range(0)));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    openWindow(&argc, argv);
    buildScene();
    // GL's own threads do part of the work, so the times are wall-clock times.
    using benchmark::RegisterBenchmark;
    RegisterBenchmark("frame/chain", frame, 0, 1)->UseRealTime()->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("frame/figure", frame, 1, 1)->UseRealTime()->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("frame/fan", frame, 2, 1)->UseRealTime()->Unit(benchmark::kMicrosecond);
    RegisterBenchmark("frame/tree", treeFrame)
        ->DenseRange(1, 14)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
