#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace image {

// One pixel: 8 bits of red, green and blue.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// An 8-bit RGB picture: rows from the top down, three bytes a pixel, no padding. A picture
// asked for with a side of 0 or less has no pixels at all.
class RgbImage {
  public:
    RgbImage() = default;
    RgbImage(int width, int height, Rgb fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return bytes_.empty(); }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // (x, y) must lie inside the picture.
    Rgb at(int x, int y) const {
        const std::uint8_t* p = &bytes_[offset(x, y)];
        return {p[0], p[1], p[2]};
    }
    void set(int x, int y, Rgb colour) {
        std::uint8_t* p = &bytes_[offset(x, y)];
        p[0] = colour.r;
        p[1] = colour.g;
        p[2] = colour.b;
    }

    // All pixels, width() * height() * 3 bytes.
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::uint8_t* data() { return bytes_.data(); }

    friend bool operator==(const RgbImage&, const RgbImage&) = default;

  private:
    std::size_t offset(int x, int y) const {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)) *
               3;
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> bytes_;
};

// The picture held in `rows` as glReadPixels returns it with a pack alignment of 1: the
// bottom row first. Rows are put the right way up. Empty when `rows` does not hold exactly
// width * height pixels.
RgbImage fromBottomUpRows(int width, int height, const std::vector<std::uint8_t>& rows);

}  // namespace image
