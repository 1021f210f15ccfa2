#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "tools/image/rgb_image.h"

// Writes `image` as an 8-bit PNG to `file`. On failure returns false and says why in `error`.
// A picture without pixels is refused.
bool writePng(const RgbImage& image, std::FILE* file, std::string& error);

// Reads a PNG of any colour type and depth, converted to 8-bit RGB (alpha composed onto black).
// On failure `error` names the file and the problem.
std::optional<RgbImage> readPng(const std::string& path, std::string& error);

// A PNG file that appears under its name only once it has been written completely. prepare()
// creates a temporary file beside the target, so that a target that cannot be written is
// found before any work is done; commit() writes the picture into it and renames it over the
// target. A file that is not committed is removed, also when the process ends through exit().
class PendingPng {
  public:
    // Nothing when the target's folder cannot be written or the target is a folder; `error`
    // then says why.
    static std::optional<PendingPng> prepare(const std::string& target, std::string& error);

    PendingPng(PendingPng&& other) noexcept;
    PendingPng& operator=(PendingPng&&) = delete;
    PendingPng(const PendingPng&) = delete;
    PendingPng& operator=(const PendingPng&) = delete;
    ~PendingPng();

    const std::string& temporaryPath() const { return temporary_; }
    bool commit(const RgbImage& image, std::string& error);

  private:
    PendingPng(std::string target, std::string temporary, std::FILE* file);
    void discard();

    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
};

// prepare() and commit() in one: `image` written to `path` as a whole or not at all.
bool savePng(const RgbImage& image, const std::string& path, std::string& error);
