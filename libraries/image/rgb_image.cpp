#include "libraries/image/rgb_image.h"

#include <algorithm>

namespace image {

RgbImage::RgbImage(int width, int height, Rgb fill) {
    if (width <= 0 || height <= 0) {
        return;
    }
    width_ = width;
    height_ = height;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    bytes_.reserve(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) {
        bytes_.insert(bytes_.end(), {fill.r, fill.g, fill.b});
    }
}

RgbImage fromBottomUpRows(int width, int height, const std::vector<std::uint8_t>& rows) {
    RgbImage image(width, height);
    if (image.empty() || rows.size() != image.bytes().size()) {
        return {};
    }
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        const auto from = rows.begin() + static_cast<std::ptrdiff_t>(
                                             (static_cast<std::size_t>(height) - 1 - y) * stride);
        std::copy(from, from + static_cast<std::ptrdiff_t>(stride),
                  image.data() + static_cast<std::ptrdiff_t>(y * stride));
    }
    return image;
}

}  // namespace image
