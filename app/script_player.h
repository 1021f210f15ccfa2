#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/model_edit.h"

// Plays a script (app/edit_script.h) a little at a time, so that a long one (a million steps, a
// deep tree being built) leaves the page its animation frames: each call of `play` applies keys,
// steps and edits until its time is up, and the next call goes on where it stopped. The
// programs play a script whole, in one call.
//
// The last frame is the one the whole script would show, run in one go as scene-capture runs
// it. Unless every step's frame is asked for, only the frames that can change it are drawn: the
// axes are lit by the normal that the frame before left current, which depends on the model on
// screen and its depth, not on its pose. So of a run of steps only the first and the last are
// drawn, and the last before the time is up, for the page to show its progress.
struct ScriptActions {
    // One key (keys of one character), one step or idle call (a count of 1), or one edit, as
    // the script has it.
    std::function<void(const Edit& edit)> apply;
    // Draws the frame; none are drawn when not given.
    std::function<void()> show;
    // Draws the frame after each step when given (scene-capture draws every one).
    std::function<void()> showEveryStep;
    // Runs after each key, step and edit, once its frame is drawn (a progress line).
    std::function<void()> counted;
    // Asked before each key: whether it can be typed now. When not (the page is still building
    // the tree a depth key asks for), play returns, and the next call asks again.
    std::function<bool(unsigned char key)> ready;
};

class ScriptPlayer {
  public:
    ScriptPlayer(std::vector<Edit> script, ScriptActions actions);

    // Runs until `timeLeft()` says no more (it is asked after each key, step and edit) or the
    // script ends. Returns true once the script has ended, its last frame drawn.
    bool play(const std::function<bool()>& timeLeft);

    // Keys typed, steps run and edits applied so far, of the script's total.
    std::uint64_t done() const { return done_; }
    std::uint64_t total() const { return total_; }
    // The animation steps and idle calls the script runs in all.
    std::uint64_t steps() const { return steps_; }

  private:
    void stepOnce(const Edit& entry, int step);
    void show();
    void count();
    // Whether the keys of entry `at` have a frame of their own.
    bool keysHaveFrame(std::size_t at) const;

    std::vector<Edit> script_;
    ScriptActions actions_;
    bool started_ = false;
    std::size_t entry_ = 0;
    std::size_t key_ = 0;
    bool keysShown_ = false;
    int step_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t total_ = 0;
    std::uint64_t steps_ = 0;
};

// The programs' form of a script: `keys` typed after the first frame, then `frames` idle calls
// (each a step while animating), the last frame drawn after them, or after the keys for none.
std::vector<Edit> keysThenFrames(const std::string& keys, int frames);

// The script a program plays: the query of its --state as readStateQuery reads it (and
// checkState accepted it), or else `keys` then `frames`.
std::vector<Edit> programScript(const std::optional<std::string>& state, const std::string& keys,
                                int frames);

// The keys, steps and edits in `script`, as a player counts them in total().
std::uint64_t scriptLength(const std::vector<Edit>& script);

// Plays `script` whole through the document (app/model_document.h), the frames drawn as above:
// `show` draws them (none when not given) and `showEveryStep`, when given, each step's. Each
// line the document answers with (a depth refused, an edit left out) is printed on standard
// error, as the viewer's keyboard prints it. `counted` runs after each key, step and edit (a
// long run's progress line). The scene must have been built.
void playScript(std::vector<Edit> script, const std::function<void()>& show,
                const std::function<void()>& showEveryStep = {},
                const std::function<void()>& counted = {});
