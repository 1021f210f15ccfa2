#include "libraries/image/image_compare.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace image {

namespace {

bool sameSize(const RgbImage& a, const RgbImage& b) {
    return !a.empty() && a.width() == b.width() && a.height() == b.height();
}

int channelDifference(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f%%", share * 100.0);
    return text;
}

}  // namespace

std::string ImageComparison::describe(const ImageTolerance& tolerance) const {
    if (!sameSize) {
        return "the sizes differ";
    }
    return std::to_string(differing) + " pixels (" + percent(share) + ") differ by more than " +
           std::to_string(tolerance.channel) + " in a channel, " + percent(tolerance.share) +
           " allowed; the largest difference is " + std::to_string(largestDifference);
}

ImageComparison compareImages(const RgbImage& actual, const RgbImage& reference,
                              const ImageTolerance& tolerance) {
    ImageComparison result;
    if (!sameSize(actual, reference)) {
        return result;
    }
    result.sameSize = true;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const int difference = channelDifference(actual.at(x, y), reference.at(x, y));
            result.largestDifference = std::max(result.largestDifference, difference);
            if (difference > tolerance.channel) {
                ++result.differing;
            }
        }
    }
    const double pixels =
        static_cast<double>(actual.width()) * static_cast<double>(actual.height());
    result.share = static_cast<double>(result.differing) / pixels;
    result.matches = result.share <= tolerance.share;
    return result;
}

RgbImage differenceImage(const RgbImage& actual, const RgbImage& reference,
                         const ImageTolerance& tolerance) {
    if (!sameSize(actual, reference)) {
        return {};
    }
    RgbImage picture = reference;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const Rgb r = reference.at(x, y);
            const int difference = channelDifference(actual.at(x, y), r);
            if (difference > tolerance.channel) {
                picture.set(x, y, {255, 0, 0});
            } else if (difference > 0) {
                picture.set(x, y, {255, 255, 0});
            } else {
                const auto grey = static_cast<std::uint8_t>((r.r + r.g + r.b) / 12);
                picture.set(x, y, {grey, grey, grey});
            }
        }
    }
    return picture;
}

}  // namespace image
