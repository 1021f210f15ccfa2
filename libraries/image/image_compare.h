#pragma once

#include <string>

#include "libraries/image/rgb_image.h"

namespace image {

// How far a picture may stray from its reference. A pixel differs when any of its channels is
// more than `channel` away; the pictures match when at most `share` of the pixels differ.
struct ImageTolerance {
    int channel = 0;
    double share = 0.0;
};

// What every picture drawn by the viewer's code is held to against its reference. Rendering
// on another processor can move a shape's edge by a pixel or shade a gradient one step apart,
// but a turned or resized shape moves thousands of pixels.
inline constexpr ImageTolerance defaultImageTolerance{24, 0.002};

struct ImageComparison {
    bool sameSize = false;
    long differing = 0;         // pixels with a channel more than the tolerance apart
    int largestDifference = 0;  // the largest channel difference anywhere
    double share = 1.0;         // differing / all pixels; 1 when the sizes differ
    bool matches = false;

    std::string describe(const ImageTolerance& tolerance) const;
};

// Pictures without pixels match nothing, not even each other.
ImageComparison compareImages(const RgbImage& actual, const RgbImage& reference,
                              const ImageTolerance& tolerance);

// A picture of where two pictures of one size differ: pixels that differ in red, pixels
// within the tolerance but not equal in yellow, and the rest as the reference, faded to a
// dark grey so the colours stand out. Empty when the sizes differ.
RgbImage differenceImage(const RgbImage& actual, const RgbImage& reference,
                         const ImageTolerance& tolerance);

}  // namespace image
