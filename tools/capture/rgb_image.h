#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace capture {

// An 8-bit RGB picture, rows from the top down, three bytes a pixel, no padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::size_t offset(int x, int y) const {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x)) *
               3;
    }

    friend bool operator==(const RgbImage&, const RgbImage&) = default;
};

// The picture held in `rows` as glReadPixels returns it with a pack alignment of 1: the
// bottom row first. Rows are put the right way up.
RgbImage fromBottomUpRows(int width, int height, const std::vector<std::uint8_t>& rows);

// Writes `image` as an 8-bit RGB PNG to `file`. On failure returns false and says why in
// `error`. Images without pixels, or whose pixel buffer does not match their size, are refused.
bool writePng(const RgbImage& image, std::FILE* file, std::string& error);

// Reads a PNG of any colour type and depth, converted to 8-bit RGB (alpha composed onto black).
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

}  // namespace capture
