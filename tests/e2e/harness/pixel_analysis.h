#pragma once

// What the end-to-end tests look for in a picture: pixels of a colour, bounding boxes, solid
// shapes.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "libraries/image/rgb_image.h"

namespace e2e {

std::string toString(image::Rgb colour);

// Inclusive pixel bounds.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
};

std::string toString(const Box& box);

using PixelTest = std::function<bool(image::Rgb)>;

// Every channel within `tolerance` of `target`.
bool isNear(image::Rgb colour, image::Rgb target, int tolerance);
PixelTest near(image::Rgb target, int tolerance);
PixelTest notNear(image::Rgb target, int tolerance);

int countPixels(const image::RgbImage& image, const PixelTest& test);
// The smallest box around the pixels that pass, if any does.
std::optional<Box> boundingBox(const image::RgbImage& image, const PixelTest& test);
// Whether any pixel of the square of side 2 * radius + 1 around (x, y) passes.
bool anyNear(const image::RgbImage& image, int x, int y, int radius, const PixelTest& test);
// Fraction of the pixels of column x, rows top..bottom, that pass.
double columnFraction(const image::RgbImage& image, int x, int top, int bottom,
                      const PixelTest& test);
double rowFraction(const image::RgbImage& image, int y, int left, int right, const PixelTest& test);
int countDistinctColours(const image::RgbImage& image);
// Pixels that differ between two pictures of one size; all of them when the sizes differ.
int countDifferences(const image::RgbImage& a, const image::RgbImage& b);

// A pixel is part of a solid shape when the whole 5 x 5 square around it differs from the
// background: one-pixel lines, even where three of them cross, and 3-pixel lines never make
// such a square, so solid pixels are the shaded surfaces alone.
bool isSolidAt(const image::RgbImage& image, int x, int y, image::Rgb background);
int countSolidPixels(const image::RgbImage& image, image::Rgb background);
std::optional<Box> solidBoundingBox(const image::RgbImage& image, image::Rgb background);
// The colours of the solid pixels, for shading checks.
std::vector<image::Rgb> solidColours(const image::RgbImage& image, image::Rgb background);

}  // namespace e2e
