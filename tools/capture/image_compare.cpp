#include "tools/capture/image_compare.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace capture {

namespace {

bool validImage(const RgbImage& image) {
    return image.width > 0 && image.height > 0 &&
           image.pixels.size() ==
               static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3;
}

bool sameSize(const RgbImage& a, const RgbImage& b) {
    return validImage(a) && validImage(b) && a.width == b.width && a.height == b.height;
}

int channelDifference(const RgbImage& a, const RgbImage& b, std::size_t at) {
    int largest = 0;
    for (std::size_t c = 0; c < 3; ++c) {
        largest = std::max(largest, std::abs(int{a.pixels[at + c]} - int{b.pixels[at + c]}));
    }
    return largest;
}

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f%%", share * 100.0);
    return text;
}

}  // namespace

std::string Comparison::describe(const Tolerance& tolerance) const {
    if (!sameSize) {
        return "the sizes differ";
    }
    return std::to_string(differing) + " pixels (" + percent(share) + ") differ by more than " +
           std::to_string(tolerance.channel) + " in a channel, " + percent(tolerance.share) +
           " allowed; the largest difference is " + std::to_string(largestDifference);
}

Comparison compareImages(const RgbImage& actual, const RgbImage& reference,
                         const Tolerance& tolerance) {
    Comparison result;
    if (!sameSize(actual, reference)) {
        return result;
    }
    result.sameSize = true;
    for (std::size_t at = 0; at < actual.pixels.size(); at += 3) {
        const int difference = channelDifference(actual, reference, at);
        result.largestDifference = std::max(result.largestDifference, difference);
        if (difference > tolerance.channel) {
            ++result.differing;
        }
    }
    const double pixels = static_cast<double>(actual.width) * static_cast<double>(actual.height);
    result.share = static_cast<double>(result.differing) / pixels;
    result.matches = result.share <= tolerance.share;
    return result;
}

RgbImage differenceImage(const RgbImage& actual, const RgbImage& reference,
                         const Tolerance& tolerance) {
    if (!sameSize(actual, reference)) {
        return {};
    }
    RgbImage picture{reference.width, reference.height, reference.pixels};
    for (std::size_t at = 0; at < picture.pixels.size(); at += 3) {
        const int difference = channelDifference(actual, reference, at);
        std::uint8_t* pixel = &picture.pixels[at];
        if (difference > tolerance.channel) {
            pixel[0] = 255;
            pixel[1] = 0;
            pixel[2] = 0;
        } else if (difference > 0) {
            pixel[0] = 255;
            pixel[1] = 255;
            pixel[2] = 0;
        } else {
            const int grey = (pixel[0] + pixel[1] + pixel[2]) / 12;
            pixel[0] = pixel[1] = pixel[2] = static_cast<std::uint8_t>(grey);
        }
    }
    return picture;
}

}  // namespace capture
