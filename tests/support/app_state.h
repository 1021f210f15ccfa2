#pragma once

#include "app/camera.h"
#include "app/model_catalogue.h"
#include "app/render_loop.h"
#include "gl_recorder.h"
#include "scene/scene_node.h"

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// Puts the application's globals back to their state before start-up, freeing whatever an
// earlier test built, and gives the recording double a fresh context.
inline void resetApplication() {
    for (ModelSlot* slot : modelList) {
        delete slot->root;
        delete slot;
    }
    modelList.clear();
    currentModel = modelList.end();
    chainSlot = nullptr;
    treeSlot = nullptr;
    recursionDepth = 1;
    animating = true;
    camera = Camera();
    gl_double::reset();
}

// For death tests that end the process: the models are left allocated at exit on purpose, so
// what is allocated from here on is not reported as a leak.
inline void allocateWithoutLeakReports() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
}

inline std::size_t nodeCount(const SceneNode* node) {
    std::size_t count = 1;
    for (const SceneNode* child : node->children) {
        count += nodeCount(child);
    }
    return count;
}

// The n-th model of the catalogue, counting from 0.
inline SceneNode* modelRoot(std::size_t n) {
    auto position = modelList.begin();
    for (std::size_t i = 0; i < n; ++i) {
        ++position;
    }
    return (*position)->root;
}

inline std::size_t modelIndex(ModelList::iterator position) {
    std::size_t n = 0;
    for (auto p = modelList.begin(); p != position; ++p) {
        ++n;
    }
    return n;
}
