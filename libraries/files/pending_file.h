#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace files {

// A file written to a path as a whole or not at all. prepare() finds, before any work is done,
// what cannot be written (a folder is tried with a file made and removed at once); commit()
// writes the bytes. The target decides how:
// - a regular file, or a name not taken yet: the bytes go to a temporary file beside it,
//   created only then and renamed over the target once complete. A replaced file keeps its
//   permissions, and its owner and group where the process may set them. A file with more
//   than one hard link is rewritten in place instead, so that all its names keep naming it; its
//   room is reserved first, so that a full disk leaves it as it was.
// - a symbolic link: its target is written as above, also one not there yet; the link stays.
// - a pipe or a character device, or "-" for standard output: the bytes are written straight
//   into it.
// A folder, a block device or a socket is refused. Signals that would end the process wait
// while a file is being written, so that an interrupted run leaves nothing behind.
class PendingFile {
  public:
    explicit PendingFile(std::string target);

    // Why the target cannot be written, "cannot write TARGET: why"; nothing when it can.
    std::optional<std::string> prepare() const;

    // Writes `bytes`, once; the problem, or nothing when they are written.
    std::optional<std::string> commit(std::span<const std::uint8_t> bytes);

    // "cannot write TARGET: why", as every problem of this file reads.
    std::string cannotWrite(const std::string& why) const;

  private:
    std::string target_;
    bool written_ = false;
};

}  // namespace files
