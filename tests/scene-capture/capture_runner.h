#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "harness/child_process.h"

namespace scene_capture {

// How one run of the scene-capture binary went.
struct CaptureRun {
    std::optional<e2e::ExitStatus> status;  // empty when it had to be stopped
    std::string log;                        // its standard output and error together

    bool succeeded() const { return status && status->exited && status->code == 0; }
    std::string describe() const;
};

// Runs scene-capture with `args` and DISPLAY set to `display` (empty: no display), and its
// address space limited to `addressSpaceLimit` bytes if given, waits for it for at most
// `timeout` and ends it if it is still running then. `logPath` keeps what it
// printed. Sanitizer builds do not count the models the viewer code leaves allocated, and
// report their own findings with status 66.
CaptureRun runCapture(const std::vector<std::string>& args, const std::string& display,
                      const std::string& logPath,
                      std::chrono::milliseconds timeout = std::chrono::seconds(60),
                      std::optional<std::uint64_t> addressSpaceLimit = std::nullopt);

// The file names in `folder`, sorted.
std::vector<std::string> filesIn(const std::string& folder);

}  // namespace scene_capture
