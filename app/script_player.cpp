#include "app/script_player.h"

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "app/edit_script.h"
#include "app/frame_loop.h"
#include "app/model_document.h"

std::uint64_t scriptLength(const std::vector<Edit>& script) {
    std::uint64_t length = 0;
    for (const Edit& entry : script) {
        switch (entry.kind) {
            case Edit::Kind::keys:
                length += entry.keys.size();
                break;
            case Edit::Kind::steps:
            case Edit::Kind::idle:
                length += static_cast<std::uint64_t>(entry.count);
                break;
            default:
                ++length;
                break;
        }
    }
    return length;
}

ScriptPlayer::ScriptPlayer(std::vector<Edit> script, ScriptActions actions)
    : script_(std::move(script)), actions_(std::move(actions)), total_(scriptLength(script_)) {
    for (const Edit& entry : script_) {
        if (entry.kind == Edit::Kind::steps || entry.kind == Edit::Kind::idle) {
            steps_ += static_cast<std::uint64_t>(entry.count);
        }
    }
}

bool ScriptPlayer::keysHaveFrame(std::size_t at) const {
    // Keys followed by idle calls (the programs' form) show a frame only when no call follows,
    // as scene-capture draws it; otherwise keys always had their frame, as the live page drew it.
    if (at + 1 < script_.size() && script_[at + 1].kind == Edit::Kind::idle) {
        return script_[at + 1].count == 0;
    }
    return !script_[at].keys.empty();
}

bool ScriptPlayer::play(const std::function<bool()>& timeLeft) {
    if (!started_) {
        // The start state first, as the viewer shows it before any key can reach it.
        started_ = true;
        show();
    }
    while (entry_ < script_.size()) {
        const Edit& entry = script_[entry_];
        switch (entry.kind) {
            case Edit::Kind::keys:
                if (key_ < entry.keys.size()) {
                    if (actions_.ready &&
                        !actions_.ready(static_cast<unsigned char>(entry.keys[key_]))) {
                        return false;
                    }
                    actions_.apply(Edit::typed(std::string(1, entry.keys[key_++])));
                    count();
                    if (!timeLeft()) {
                        return false;
                    }
                    continue;
                }
                if (keysHaveFrame(entry_) && !keysShown_) {
                    keysShown_ = true;
                    show();
                }
                break;
            case Edit::Kind::steps:
            case Edit::Kind::idle:
                if (step_ < entry.count) {
                    stepOnce(entry, ++step_);
                    count();
                    if (!timeLeft()) {
                        if (actions_.showEveryStep == nullptr && step_ > 1 && step_ < entry.count) {
                            show();
                        }
                        return false;
                    }
                    continue;
                }
                break;
            default:
                actions_.apply(entry);
                // Edits change no frame's lighting: only the last entry's needs drawing.
                if (entry_ + 1 == script_.size()) {
                    show();
                }
                count();
                ++entry_;
                if (!timeLeft()) {
                    return entry_ == script_.size();
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

void ScriptPlayer::stepOnce(const Edit& entry, int step) {
    actions_.apply(entry.kind == Edit::Kind::idle ? Edit::idled(1) : Edit::stepped(1));
    if (actions_.showEveryStep != nullptr) {
        actions_.showEveryStep();
    } else if (step == 1 || step == entry.count) {
        show();
    }
}

void ScriptPlayer::count() {
    ++done_;
    if (actions_.counted) {
        actions_.counted();
    }
}

void ScriptPlayer::show() {
    if (actions_.show) {
        actions_.show();
    }
}

std::vector<Edit> keysThenFrames(const std::string& keys, int frames) {
    return {Edit::typed(keys), Edit::idled(frames)};
}

std::vector<Edit> programScript(const std::optional<std::string>& state, const std::string& keys,
                                int frames) {
    if (!state) {
        return keysThenFrames(keys, frames);
    }
    std::optional<std::vector<Edit>> script;
    readStateQuery(*state, script);
    return std::move(script).value_or(std::vector<Edit>());
}

void playScript(std::vector<Edit> script, const std::function<void()>& show,
                const std::function<void()>& showEveryStep, const std::function<void()>& counted) {
    const auto apply = [](const Edit& edit) {
        if (edit.kind == Edit::Kind::idle) {
            onIdle();  // as the viewer's main loop calls it
            return;
        }
        if (const std::optional<std::string> line = document.apply(edit).line) {
            std::fprintf(stderr, "%s\n", line->c_str());
        }
    };
    ScriptPlayer player(std::move(script), {apply, show, showEveryStep, counted, {}});
    player.play([] { return true; });
}
