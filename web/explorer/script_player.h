#pragma once

#include <cstddef>
#include <cstdint>

#include "address_script.h"

namespace explorer {

// Plays an address's script a little at a time, so that a long one (a million steps, a deep
// tree being built) leaves the page its animation frames: each call of `play` runs keys and
// steps until its time is up, and the next call goes on where it stopped.
//
// The last frame is the one the whole script would show, run in one go as scene-capture runs
// it. Only the frames that can change it are drawn: the axes are lit by the normal that the
// frame before left current, which depends on the model on screen and its depth, not on its
// pose. So of a run of steps only the first and the last are drawn, and the last before the
// time is up, for the page to show its progress.
struct ScriptActions {
    void (*type)(unsigned char key);
    // One idle call (the first form), or one animation step, paused or not (form two).
    void (*idle)();
    void (*step)();
    void (*show)();
};

class ScriptPlayer {
  public:
    ScriptPlayer(AddressScript script, ScriptActions actions);

    // Runs until `timeLeft()` says no more (it is asked after each key and step) or the script
    // ends. Returns true once the script has ended, its last frame drawn.
    bool play(bool (*timeLeft)());

    // Keys typed and steps run so far, of the script's total.
    std::uint64_t done() const { return done_; }
    std::uint64_t total() const { return total_; }

  private:
    void stepOnce(int step, int steps);

    AddressScript script_;
    ScriptActions actions_;
    bool started_ = false;
    std::size_t entry_ = 0;
    std::size_t key_ = 0;
    bool keysShown_ = false;
    int step_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t total_ = 0;
};

}  // namespace explorer
