#pragma once

#include "app/camera.h"
#include "app/frame_loop.h"
#include "app/model_catalogue.h"
#include "gl_recorder.h"
#include "scene/scene_node.h"

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

// Puts the application's globals back to their state before start-up, freeing whatever an
// earlier test built, and gives the recording double a fresh context.
inline void resetApplication() {
    resetCatalogue();
    if (!animating) {
        toggleAnimation();
    }
    camera.restoreDefaults();
    gl_double::reset();
}

// Builds the scene, then takes the recursive models to `depth` by the depth keys' own route.
inline void buildSceneAtDepth(int depth) {
    buildScene();
    while (recursionDepth < depth) {
        if (const std::optional<std::string> refusal = raiseRecursionDepth()) {
            // The caller's checks of the models then fail.
            std::fprintf(stderr, "%s\n", refusal->c_str());
            break;
        }
    }
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
