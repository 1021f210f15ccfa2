#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

std::string toString(Rgb colour);

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

// An RGB picture, row by row from the top left, as grabbed from a window.
class Image {
  public:
    Image() = default;
    Image(int width, int height, Rgb fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Rgb at(int x, int y) const { return pixels_[index(x, y)]; }
    void set(int x, int y, Rgb colour) { pixels_[index(x, y)] = colour; }

    friend bool operator==(const Image& a, const Image& b);

  private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<Rgb> pixels_;
};

using PixelTest = std::function<bool(Rgb)>;

// Every channel within `tolerance` of `target`.
bool isNear(Rgb colour, Rgb target, int tolerance);
PixelTest near(Rgb target, int tolerance);
PixelTest notNear(Rgb target, int tolerance);

int countPixels(const Image& image, const PixelTest& test);
// The smallest box around the pixels that pass, if any does.
std::optional<Box> boundingBox(const Image& image, const PixelTest& test);
// Whether any pixel of the square of side 2 * radius + 1 around (x, y) passes.
bool anyNear(const Image& image, int x, int y, int radius, const PixelTest& test);
// Fraction of the pixels of column x, rows top..bottom, that pass.
double columnFraction(const Image& image, int x, int top, int bottom, const PixelTest& test);
double rowFraction(const Image& image, int y, int left, int right, const PixelTest& test);
int countDistinctColours(const Image& image);
// Pixels that differ between two pictures of one size; all of them when the sizes differ.
int countDifferences(const Image& a, const Image& b);

// A pixel is part of a solid shape when the whole 5 x 5 square around it differs from the
// background: one-pixel lines, even where three of them cross, and 3-pixel lines never make
// such a square, so solid pixels are the shaded surfaces alone.
bool isSolidAt(const Image& image, int x, int y, Rgb background);
int countSolidPixels(const Image& image, Rgb background);
std::optional<Box> solidBoundingBox(const Image& image, Rgb background);
// The colours of the solid pixels, for shading checks.
std::vector<Rgb> solidColours(const Image& image, Rgb background);

// Writes an 8-bit RGB PNG; on failure returns false and says why in `error`.
bool savePng(const Image& image, const std::string& path, std::string* error = nullptr);
// Reads an 8-bit RGB or RGBA PNG (alpha dropped).
std::optional<Image> loadPng(const std::string& path, std::string* error = nullptr);

}  // namespace e2e
