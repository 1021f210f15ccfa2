#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "libraries/files/pending_file.h"
#include "libraries/image/rgb_image.h"

// Writes `image` as an 8-bit PNG to `file`. On failure returns false and says why in `error`.
// A picture without pixels is refused.
bool writePng(const RgbImage& image, std::FILE* file, std::string& error);

// Reads a PNG of any colour type and depth, converted to 8-bit RGB (alpha composed onto black).
// On failure `error` names the file and the problem.
std::optional<RgbImage> readPng(const std::string& path, std::string& error);

// A PNG written to a path as a whole or not at all, as a PendingFile is: prepare() finds,
// before any work is done, what cannot be written; commit() writes the picture.
class PendingPng {
  public:
    // Nothing when the target cannot be written; `error` then says why.
    static std::optional<PendingPng> prepare(const std::string& target, std::string& error);

    bool commit(const RgbImage& image, std::string& error);

  private:
    explicit PendingPng(PendingFile file) : file_(std::move(file)) {}

    PendingFile file_;
};

// prepare() and commit() in one: `image` written to `path` as a whole or not at all.
bool savePng(const RgbImage& image, const std::string& path, std::string& error);
