#include "libraries/progress/counted_script.h"

#include "app/key_script.h"

void runCountedScript(ProgressLine& progress, const std::string& keys, int steps, void (*show)(),
                      void (*showStep)()) {
    if (show != nullptr) {
        show();
    }
    for (const char key : keys) {
        playKeys(std::string(1, key));
        progress.advance();
    }
    if (steps <= 0) {
        runSteps(0, show, showStep);
        return;
    }
    for (int i = 0; i < steps; ++i) {
        runSteps(1, show, showStep);
        progress.advance();
    }
}
