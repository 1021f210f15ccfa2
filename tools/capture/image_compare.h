#pragma once

#include <string>

#include "tools/capture/rgb_image.h"

namespace capture {

// How far a picture may stray from its reference. A pixel differs when any of its channels is
// more than `channel` away; the pictures match when at most `share` of the pixels differ.
// Rendering on another processor can move a shape's edge by a pixel or shade a gradient one
// step apart, but a turned or resized shape moves thousands of pixels.
struct Tolerance {
    int channel = 24;
    double share = 0.002;
};

struct Comparison {
    bool sameSize = false;
    long differing = 0;         // pixels with a channel more than the tolerance apart
    int largestDifference = 0;  // the largest channel difference anywhere
    double share = 1.0;         // differing / all pixels; 1 when the sizes differ
    bool matches = false;

    std::string describe(const Tolerance& tolerance) const;
};

Comparison compareImages(const RgbImage& actual, const RgbImage& reference,
                         const Tolerance& tolerance);

// A picture of where two pictures of one size differ: pixels that differ in red, pixels
// within the tolerance but not equal in yellow, and the rest as the reference, faded to a
// dark grey so the colours stand out. Empty when the sizes differ.
RgbImage differenceImage(const RgbImage& actual, const RgbImage& reference,
                         const Tolerance& tolerance);

}  // namespace capture
