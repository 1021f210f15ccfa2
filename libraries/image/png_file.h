#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "libraries/files/pending_file.h"
#include "libraries/image/rgb_image.h"

// Writes `image` as an 8-bit PNG to `file`. On failure returns false and says why in `error`.
// A picture without pixels is refused.
bool writePng(const RgbImage& image, std::FILE* file, std::string& error);

// Reads a PNG of any colour type and depth, converted to 8-bit RGB (alpha composed onto black).
// On failure `error` names the file and the problem.
std::optional<RgbImage> readPng(const std::string& path, std::string& error);

// Writes `image` as a PNG into `file`, as a whole or not at all (see PendingFile); the
// problem, "cannot write TARGET: why", or nothing when it is written.
std::optional<std::string> commitPng(PendingFile& file, const RgbImage& image);

// prepare() and commit() in one: `image` written to `path` as a whole or not at all.
bool savePng(const RgbImage& image, const std::string& path, std::string& error);
