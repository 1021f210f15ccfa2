#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace progress {

// "scene-export: 1200 of 100000 steps" on standard error while a run works through its steps:
// shown at the first step, rewritten in place at most four times a second, and erased when the
// run is done. Shows nothing when standard error is not a terminal.
class ProgressLine {
  public:
    ProgressLine(std::string program, std::uint64_t total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // One more step done.
    void advance();

  private:
    std::string program_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point next_;
};

}  // namespace progress
