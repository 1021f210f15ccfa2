#include "app/keyboard.h"

#include <cstdlib>

#include "app/camera.h"
#include "app/model_catalogue.h"
#include "app/render_loop.h"

void rebuildRecursiveModels() {
    delete treeSlot->root;
    treeSlot->root = buildTreeModel(recursionDepth);
    delete chainSlot->root;
    chainSlot->root = buildChainModel(recursionDepth);
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
            ++recursionDepth;
            rebuildRecursiveModels();
            break;
        case '-':
            // Rebuilds also at depth 1, which restarts both models from their initial pose.
            if (recursionDepth > 1) {
                --recursionDepth;
            }
            rebuildRecursiveModels();
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
