#include <gtest/gtest.h>

#include <random>

#include "app/frame_loop.h"
#include "app/keyboard.h"
#include "app_state.h"
#include "tree_queries.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int steps = 3000;  // every access is checked there, which costs
#else
constexpr int steps = 20000;
#endif

// Long random runs of every key code but Escape, with depth keys mixed in and frames drawn
// and stepped in between; the catalogue must stay whole after every single step.
TEST(HostileInput, RandomKeysIdleAndDisplayKeepTheCatalogueWhole) {
    resetApplication();
    buildScene();
    gl_double::setRecording(false);
    const std::size_t figure = nodeCount(modelRoot(1));
    const std::size_t fan = nodeCount(modelRoot(2));

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> action(0, 9);
    std::uniform_int_distribution<int> code(0, 255);
    for (int step = 0; step < steps; ++step) {
        const int what = action(random);
        if (what == 0) {
            onIdle();
        } else if (what == 1) {
            onDisplay();
            ASSERT_EQ(gl_double::stackDepth(), 1) << "step " << step;
            ASSERT_EQ(gl_double::stackErrors(), 0) << "step " << step;
        } else if (what == 2) {
            // Depth keys, kept shallow so that the run stays quick: "-" once the tree is big.
            onKeyboard(recursionDepth < 7 && code(random) % 2 ? '+' : '-', 0, 0);
        } else {
            const int key = code(random);
            if (key == 27) {
                continue;
            }
            onKeyboard(static_cast<unsigned char>(key), code(random), -code(random));
        }
        ASSERT_LT(modelIndex(currentModel), 4u) << "step " << step;
        ASSERT_GE(recursionDepth, 1) << "step " << step;
        ASSERT_EQ(nodeCount(chainSlot->root), 1u + recursionDepth) << "step " << step;
        ASSERT_EQ(nodeCount(treeSlot->root), (1u << recursionDepth) - 1) << "step " << step;
        ASSERT_EQ(nodeCount(modelRoot(1)), figure) << "step " << step;
        ASSERT_EQ(nodeCount(modelRoot(2)), fan) << "step " << step;
        ASSERT_EQ(modelList.size(), 4u);
    }
    resetApplication();
}

}  // namespace
