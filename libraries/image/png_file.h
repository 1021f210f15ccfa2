#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "libraries/files/pending_file.h"
#include "libraries/image/rgb_image.h"

namespace image {

// Writes `image` as an 8-bit PNG to `file`; the problem, or nothing. A picture without pixels
// is refused.
std::optional<std::string> writePng(const RgbImage& image, std::FILE* file);

// Reads a PNG of any colour type and depth into `image`, converted to 8-bit RGB (alpha
// composed onto black); the problem, naming the file, or nothing.
std::optional<std::string> readPng(const std::string& path, RgbImage& image);

// Writes `image` as a PNG into `file`, as a whole or not at all (see PendingFile); the
// problem, "cannot write TARGET: why", or nothing when it is written.
std::optional<std::string> commitPng(files::PendingFile& file, const RgbImage& image);

// prepare() and commit() in one: `image` written to `path` as a whole or not at all; the
// problem, or nothing.
std::optional<std::string> savePng(const RgbImage& image, const std::string& path);

}  // namespace image
