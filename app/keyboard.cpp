#include "app/keyboard.h"

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>

#include "app/camera.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "app/render_loop.h"

namespace {

// Moves to `depth` and rebuilds, unless the new models would not fit into memory or their
// allocation fails; then the depth and both models stay exactly as they were.
void changeDepth(int depth) {
    const int previous = recursionDepth;
    try {
        const std::uint64_t need = recursiveModelsFootprint(depth);
        const std::uint64_t usable = usableMemory(obtainableMemory());
        if (need > usable) {
            std::fprintf(stderr,
                         "recursion depth %d needs %s but %s is available; staying at depth %d\n",
                         depth, describeSize(need).c_str(), describeSize(usable).c_str(), previous);
            return;
        }
        recursionDepth = depth;
        rebuildRecursiveModels();
    } catch (const std::bad_alloc&) {
        recursionDepth = previous;
        std::fprintf(stderr, "recursion depth %d ran out of memory; staying at depth %d\n", depth,
                     previous);
    }
}

}  // namespace

void rebuildRecursiveModels() {
    // Both new models are built before either old one goes, so that running out of memory
    // part way leaves the old ones in place, untouched. Then, as ever, the tree model is
    // replaced first and the chain model second.
    SceneNode* tree = buildTreeModel(recursionDepth);
    SceneNode* chain = nullptr;
    try {
        chain = buildChainModel(recursionDepth);
    } catch (...) {
        delete tree;
        throw;
    }
    delete treeSlot->root;
    treeSlot->root = tree;
    delete chainSlot->root;
    chainSlot->root = chain;
}

void nextModel() {
    if (currentModel == modelList.end()) {
        currentModel = modelList.begin();
        return;
    }
    ++currentModel;
    if (currentModel == modelList.end()) {
        currentModel = modelList.begin();
    }
}

void onKeyboard(unsigned char key, int, int) {
    switch (key) {
        case 27:
            // Through the normal exit path, so the at-exit handlers run.
            std::exit(1);
        case ' ':
            animating = !animating;
            break;
        case '+':
        case '=':
            if (recursionDepth < std::numeric_limits<int>::max()) {
                changeDepth(recursionDepth + 1);
            }
            break;
        case '-':
            // Rebuilds also at depth 1, which restarts both models from their initial pose.
            changeDepth(recursionDepth > 1 ? recursionDepth - 1 : 1);
            break;
        case '1':
        case '2':
        case '3':
            camera.applyViewpoint(key - '0');
            break;
        default:
            nextModel();
            break;
    }
}
