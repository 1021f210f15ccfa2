#include "app/frame_loop.h"
#include "app/key_script.h"
#include "app/keyboard.h"

// The running half of the key script, apart from its reading, which needs no GL.

void playKeys(const std::string& keys) {
    for (const char key : keys) {
        // The pointer position is not looked at.
        onKeyboard(static_cast<unsigned char>(key), 0, 0);
    }
}

void runSteps(int steps, void (*show)(), void (*showStep)()) {
    if (steps <= 0) {
        if (show != nullptr) {
            show();
        }
        return;
    }
    for (int i = 0; i < steps; ++i) {
        onIdle();
        if (showStep != nullptr) {
            showStep();
        }
    }
}

void stepOnce() {
    if (animating) {
        onIdle();
        return;
    }
    toggleAnimation();
    onIdle();
    toggleAnimation();
}

void runScript(const std::string& keys, int steps, void (*show)(), void (*showStep)(),
               const std::function<void()>& counted) {
    if (show != nullptr) {
        show();
    }
    if (!counted) {
        playKeys(keys);
        runSteps(steps, show, showStep);
        return;
    }
    for (const char key : keys) {
        playKeys(std::string(1, key));
        counted();
    }
    if (steps <= 0) {
        runSteps(0, show, showStep);
    }
    for (int i = 0; i < steps; ++i) {
        runSteps(1, show, showStep);
        counted();
    }
}
