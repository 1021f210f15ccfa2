#pragma once

#include <string>

#include "libraries/progress/progress_line.h"

// The viewer's key script (runScript in app/key_script.h), each key and each step counted on
// `progress`: the same calls in the same order.
void runCountedScript(ProgressLine& progress, const std::string& keys, int steps, void (*show)(),
                      void (*showStep)());
