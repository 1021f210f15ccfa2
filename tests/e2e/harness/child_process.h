#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// How a child process ended.
struct ExitStatus {
    bool exited = false;  // ended through exit(); `code` holds its status
    int code = 0;
    int signal = 0;  // the signal that ended it, when !exited

    std::string describe() const;
};

struct LaunchOptions {
    std::string path;               // absolute path of the executable
    std::vector<std::string> args;  // argv[1..]
    // Added to (or replacing entries of) the test process's own environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // RLIMIT_AS for the child, as `prlimit --as` would set it.
    std::optional<std::uint64_t> addressSpaceLimit;
    // Standard output and error go to this file (truncated); empty means /dev/null.
    std::string logPath;
    // A descriptor of the parent that the child keeps open under the same number.
    int inheritedFd = -1;
};

// The full path of `name` looked up in PATH, or empty when it is not found there.
std::string findExecutable(const std::string& name);

// A child process in a process group of its own. Destroying the object ends the whole group
// (SIGTERM, then SIGKILL) if the child is still running, so no test leaves a process behind;
// the child also gets SIGTERM should the test process itself die first.
class ChildProcess {
  public:
    // Starts the process; throws std::runtime_error if it cannot be forked.
    explicit ChildProcess(const LaunchOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // The exit status once the child has ended, polling for at most `timeout`.
    std::optional<ExitStatus> waitForExit(std::chrono::milliseconds timeout);
    // Ends the process group: SIGTERM, and SIGKILL after `grace`. Returns how the child ended.
    ExitStatus terminate(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

  private:
    bool reap(bool block);

    pid_t pid_ = -1;
    std::optional<ExitStatus> status_;
};

}  // namespace e2e
