// Whole frames of the real viewer code on the real GL, GLU and GLUT (Mesa, under Xvfb on a
// machine without a GPU): the window opened as the viewer opens it, the scene built as the
// viewer builds it, the model and depth chosen with the viewer's own keys, and each frame one
// idle step and one display, finished with glFinish so that the time covers the drawing itself
// and not only the queueing of it. Needs a display: run it under xvfb-run.

#include <GL/gl.h>

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

void frame(benchmark::State& state, int model, int depth) {
    selectModel(model, depth);
    for (auto _ : state) {
        onIdle();
        drawFrame();
        glFinish();
    }
    state.counters["units"] = 1.0;
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
