#include "libraries/files/pending_file.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace files {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes all of `bytes` to `fd`. Returns 0, or the system's error number.
int writeAll(int fd, std::span<const std::uint8_t> bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// How a target is written, and where.
struct Destination {
    enum Kind { standardOutput, stream, newFile, replaced, inPlace } kind = newFile;
    std::string path;  // the file itself, its links followed
    struct stat info {};
};

// Follows `path` through symbolic links, none of which leads to anything yet, to the name
// they lead to. The problem, or nothing.
std::optional<std::string> followToLastLinkTarget(std::string& path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link {};
        if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            return std::nullopt;
        }
        std::string to(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), to.data(), to.size());
        if (length < 0) {
            return std::strerror(errno);
        }
        to.resize(static_cast<std::size_t>(length));
        path = to.starts_with('/') ? to : folderOf(path) + "/" + to;
    }
    return std::strerror(ELOOP);
}

// Finds where `target` leads now and how it is written, into `to`; the reason it cannot be
// written, or nothing.
std::optional<std::string> findDestination(const std::string& target, Destination& to) {
    to.path = target;
    if (target == "-") {
        to.kind = Destination::standardOutput;
        return std::nullopt;
    }
    if (stat(target.c_str(), &to.info) != 0) {
        if (errno != ENOENT) {
            return std::strerror(errno);
        }
        return followToLastLinkTarget(to.path);
    }
    if (S_ISDIR(to.info.st_mode)) {
        return "it is a folder";
    }
    if (S_ISFIFO(to.info.st_mode) || S_ISCHR(to.info.st_mode)) {
        to.kind = Destination::stream;
        return std::nullopt;
    }
    if (!S_ISREG(to.info.st_mode)) {
        return "it is not a regular file, a pipe or a character device";
    }
    struct stat link {};
    if (lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* real = realpath(target.c_str(), nullptr);
        struct stat found {};
        const bool same = real != nullptr && stat(real, &found) == 0 &&
                          found.st_dev == to.info.st_dev && found.st_ino == to.info.st_ino;
        if (same) {
            to.path = real;
        }
        std::free(real);
        if (!same) {
            return "cannot tell which file its link leads to";
        }
    }
    to.kind = to.info.st_nlink > 1 ? Destination::inPlace : Destination::replaced;
    return std::nullopt;
}

// Holds back the signals that end a process while a file is being written, so that none
// leaves a temporary or half-written file behind; they arrive once the writing is over. The
// signals of the process's own faults stay as they are.
class SignalsHeldBack {
  public:
    SignalsHeldBack() {
        sigset_t held;
        sigfillset(&held);
        for (const int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS}) {
            sigdelset(&held, fault);
        }
        pthread_sigmask(SIG_BLOCK, &held, &before_);
    }
    ~SignalsHeldBack() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

  private:
    sigset_t before_;
};

// Writes `bytes` into the device, pipe or standard output `to`. Returns 0 or an error number.
int writeStream(const Destination& to, std::span<const std::uint8_t> bytes) {
    if (to.kind == Destination::standardOutput) {
        return writeAll(STDOUT_FILENO, bytes);
    }
    const int fd = open(to.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno;
    }
    int problem = writeAll(fd, bytes);
    if (close(fd) != 0 && problem == 0) {
        problem = errno;
    }
    return problem;
}

// Rewrites the regular file `to` in place with `bytes`, its room reserved before a byte of it
// changes. Returns 0 or an error number.
int rewriteInPlace(const Destination& to, std::span<const std::uint8_t> bytes) {
    const int fd = open(to.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno;
    }
    const auto size = static_cast<off_t>(bytes.size());
    int problem = posix_fallocate(fd, 0, size);
    if (problem != 0 && ftruncate(fd, to.info.st_size) != 0) {
        // The room was not found; the file's length is put back should it have grown.
    }
    if (problem == 0) {
        problem = writeAll(fd, bytes);
    }
    if (problem == 0 && (ftruncate(fd, size) != 0 || fsync(fd) != 0)) {
        problem = errno;
    }
    if (close(fd) != 0 && problem == 0) {
        problem = errno;
    }
    return problem;
}

// A new, private file beside `target`, under a short name of fixed length, so that any
// folder that takes the target's name takes this one too. Returns its descriptor, or -1.
int makeTemporary(const std::string& target, std::string& temporary) {
    temporary = folderOf(target) + "/.part-XXXXXX";
    return mkstemp(temporary.data());
}

// Writes `bytes` to a new file beside `to` and renames it over `to`; a file replaced passes on
// its permissions, owner and group. Returns 0 or an error number.
int replaceByRename(const Destination& to, std::span<const std::uint8_t> bytes) {
    std::string temporary;
    const int fd = makeTemporary(to.path, temporary);
    if (fd < 0) {
        return errno;
    }
    mode_t mode = 0;
    if (to.kind == Destination::replaced) {
        if (fchown(fd, to.info.st_uid, to.info.st_gid) != 0) {
            // Only a privileged process may give a file away; the new one is then ours.
        }
        mode = to.info.st_mode & 07777;
    } else {
        // mkstemp makes the file private; give it the permissions a new file normally gets.
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    int problem = fchmod(fd, mode) != 0 ? errno : writeAll(fd, bytes);
    if (problem == 0 && fsync(fd) != 0) {
        problem = errno;
    }
    if (close(fd) != 0 && problem == 0) {
        problem = errno;
    }
    if (problem == 0 && std::rename(temporary.c_str(), to.path.c_str()) != 0) {
        problem = errno;
    }
    if (problem != 0) {
        unlink(temporary.c_str());
    }
    return problem;
}

std::string nameOf(const std::string& target) {
    return target == "-" ? "standard output" : target;
}

}  // namespace

PendingFile::PendingFile(std::string target) : target_(std::move(target)) {}

std::optional<std::string> PendingFile::prepare() const {
    Destination to;
    if (std::optional<std::string> why = findDestination(target_, to)) {
        return cannotWrite(*why);
    }
    int problem = 0;
    if (to.kind == Destination::standardOutput) {
        const int flags = fcntl(STDOUT_FILENO, F_GETFL);
        problem = flags < 0 || (flags & O_ACCMODE) == O_RDONLY ? EBADF : 0;
    } else if (to.kind == Destination::stream || to.kind == Destination::inPlace) {
        if (faccessat(AT_FDCWD, to.path.c_str(), W_OK, AT_EACCESS) != 0) {
            problem = errno;
        }
    } else {
        // The folder must take a new file: one is made and at once removed again.
        const SignalsHeldBack held;
        std::string temporary;
        const int fd = makeTemporary(to.path, temporary);
        problem = fd < 0 ? errno : 0;
        if (fd >= 0) {
            close(fd);
            unlink(temporary.c_str());
        }
    }
    if (problem != 0) {
        return cannotWrite(std::strerror(problem));
    }
    return std::nullopt;
}

std::optional<std::string> PendingFile::commit(std::span<const std::uint8_t> bytes) {
    if (written_) {
        return cannotWrite("already written");
    }
    // The target is looked at again: it may have changed while the picture was made.
    Destination to;
    if (std::optional<std::string> why = findDestination(target_, to)) {
        return cannotWrite(*why);
    }
    int problem = 0;
    if (to.kind == Destination::standardOutput || to.kind == Destination::stream) {
        // Signals are not held back here: a pipe that nobody reads may block for good.
        problem = writeStream(to, bytes);
    } else {
        const SignalsHeldBack held;
        problem = to.kind == Destination::inPlace ? rewriteInPlace(to, bytes)
                                                  : replaceByRename(to, bytes);
    }
    if (problem != 0) {
        return cannotWrite(std::strerror(problem));
    }
    written_ = true;
    return std::nullopt;
}

std::string PendingFile::cannotWrite(const std::string& why) const {
    return "cannot write " + nameOf(target_) + ": " + why;
}

}  // namespace files
