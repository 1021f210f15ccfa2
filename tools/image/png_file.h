#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "tools/image/rgb_image.h"

// Writes `image` as an 8-bit PNG to `file`. On failure returns false and says why in `error`.
// A picture without pixels is refused.
bool writePng(const RgbImage& image, std::FILE* file, std::string& error);

// Reads a PNG of any colour type and depth, converted to 8-bit RGB (alpha composed onto black).
// On failure `error` names the file and the problem.
std::optional<RgbImage> readPng(const std::string& path, std::string& error);

// A PNG written to a path as a whole or not at all. prepare() finds, before any work is done,
// what cannot be written (a folder is tried with a file made and removed at once); commit()
// writes the picture. The target decides how:
// - a regular file, or a name not taken yet: the picture goes to a temporary file beside it,
//   created only then and renamed over the target once complete. A replaced file keeps its
//   permissions, and its owner and group where the process may set them. A file with more
//   than one hard link is rewritten in place instead, so that all its names keep naming it; its
//   room is reserved first, so that a full disk leaves it as it was.
// - a symbolic link: its target is written as above, also one not there yet; the link stays.
// - a pipe or a character device, or "-" for standard output: the picture is written straight
//   into it.
// A folder, a block device or a socket is refused. Signals that would end the process wait
// while a file is being written, so that an interrupted run leaves nothing behind.
class PendingPng {
  public:
    // Nothing when the target cannot be written; `error` then says why.
    static std::optional<PendingPng> prepare(const std::string& target, std::string& error);

    bool commit(const RgbImage& image, std::string& error);

  private:
    explicit PendingPng(std::string target) : target_(std::move(target)) {}

    std::string target_;
    bool written_ = false;
};

// prepare() and commit() in one: `image` written to `path` as a whole or not at all.
bool savePng(const RgbImage& image, const std::string& path, std::string& error);
