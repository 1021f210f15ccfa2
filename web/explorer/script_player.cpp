#include "script_player.h"

#include <utility>

namespace explorer {

ScriptPlayer::ScriptPlayer(AddressScript script, ScriptActions actions)
    : script_(std::move(script)), actions_(actions) {
    for (const ScriptEntry& entry : script_.entries) {
        total_ += entry.keys.size() + static_cast<std::uint64_t>(entry.steps);
    }
}

bool ScriptPlayer::play(bool (*timeLeft)()) {
    if (!started_) {
        // The start state first, as the viewer shows it before any key can reach it.
        started_ = true;
        actions_.show();
    }
    while (entry_ < script_.entries.size()) {
        const ScriptEntry& entry = script_.entries[entry_];
        if (key_ < entry.keys.size()) {
            actions_.type(static_cast<unsigned char>(entry.keys[key_++]));
            ++done_;
            if (!timeLeft()) {
                return false;
            }
            continue;
        }
        // The keys' own frame: in the first form only when no step follows, as scene-capture
        // draws it; in the second always, as the live page drew it.
        const bool keysFrame = script_.idleCalls ? entry.steps == 0 : !entry.keys.empty();
        if (keysFrame && !keysShown_) {
            keysShown_ = true;
            actions_.show();
        }
        if (step_ < entry.steps) {
            stepOnce(++step_, entry.steps);
            ++done_;
            if (!timeLeft()) {
                if (step_ > 1 && step_ < entry.steps) {
                    actions_.show();
                }
                return false;
            }
            continue;
        }
        ++entry_;
        key_ = 0;
        step_ = 0;
        keysShown_ = false;
    }
    return true;
}

void ScriptPlayer::stepOnce(int step, int steps) {
    if (script_.idleCalls) {
        actions_.idle();
    } else {
        actions_.step();
    }
    if (step == 1 || step == steps) {
        actions_.show();
    }
}

}  // namespace explorer
