#include "harness/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {

namespace {

// Everything the child needs is laid out before fork(), so the child only makes
// async-signal-safe calls between fork() and exec().
struct ExecImage {
    std::vector<std::string> strings;
    std::vector<char*> argv;
    std::vector<char*> envp;
};

ExecImage prepare(const LaunchOptions& options) {
    std::map<std::string, std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto eq = text.find('=');
        if (eq != std::string::npos) {
            env[text.substr(0, eq)] = text.substr(eq + 1);
        }
    }
    for (const auto& [name, value] : options.environment) {
        env[name] = value;
    }

    ExecImage image;
    image.strings.push_back(options.path);
    image.strings.insert(image.strings.end(), options.args.begin(), options.args.end());
    const std::size_t argc = image.strings.size();
    for (const auto& [name, value] : env) {
        image.strings.push_back(name + "=" + value);
    }
    for (std::size_t i = 0; i < image.strings.size(); ++i) {
        (i < argc ? image.argv : image.envp).push_back(image.strings[i].data());
    }
    image.argv.push_back(nullptr);
    image.envp.push_back(nullptr);
    return image;
}

ExitStatus decode(int waitStatus) {
    ExitStatus status;
    if (WIFEXITED(waitStatus)) {
        status.exited = true;
        status.code = WEXITSTATUS(waitStatus);
    } else if (WIFSIGNALED(waitStatus)) {
        status.signal = WTERMSIG(waitStatus);
    }
    return status;
}

}  // namespace

std::string findExecutable(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

std::string ExitStatus::describe() const {
    if (exited) {
        return "exited with status " + std::to_string(code);
    }
    return std::string("killed by signal ") + std::to_string(signal) + " (" + strsignal(signal) +
           ")";
}

ChildProcess::ChildProcess(const LaunchOptions& options) {
    ExecImage image = prepare(options);
    const char* logPath = options.logPath.empty() ? "/dev/null" : options.logPath.c_str();
    const int log = open(logPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (log < 0 || devNull < 0) {
        throw std::runtime_error("cannot open " + std::string(logPath) + ": " +
                                 std::strerror(errno));
    }
    rlimit limit{};
    if (options.addressSpaceLimit) {
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(*options.addressSpaceLimit);
    }
    const pid_t parent = getpid();

    pid_ = fork();
    if (pid_ == 0) {
        // End with the test process, whatever kills it (SIGTERM lets an X server remove its
        // lock file); check that it has not died already.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(126);
        }
        setpgid(0, 0);
        dup2(devNull, STDIN_FILENO);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        if (options.inheritedFd >= 0) {
            fcntl(options.inheritedFd, F_SETFD, 0);
        }
        if (options.addressSpaceLimit && setrlimit(RLIMIT_AS, &limit) != 0) {
            _exit(125);
        }
        execve(image.argv[0], image.argv.data(), image.envp.data());
        _exit(127);
    }
    const int forkErrno = errno;
    close(log);
    close(devNull);
    if (pid_ < 0) {
        throw std::runtime_error(std::string("fork failed: ") + std::strerror(forkErrno));
    }
    // Also from this side, so that a signal to the group cannot miss a child that has not yet
    // run setpgid itself.
    setpgid(pid_, pid_);
}

ChildProcess::~ChildProcess() {
    if (!status_) {
        terminate();
    }
}

bool ChildProcess::reap(bool block) {
    if (status_) {
        return true;
    }
    int waitStatus = 0;
    pid_t result;
    do {
        result = waitpid(pid_, &waitStatus, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == pid_) {
        status_ = decode(waitStatus);
        return true;
    }
    return false;
}

bool ChildProcess::running() {
    return !reap(false);
}

std::optional<ExitStatus> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

ExitStatus ChildProcess::terminate(std::chrono::milliseconds grace) {
    if (!reap(false)) {
        kill(-pid_, SIGTERM);
        if (!waitForExit(grace)) {
            kill(-pid_, SIGKILL);
            reap(true);
        }
    }
    return *status_;
}

}  // namespace e2e
