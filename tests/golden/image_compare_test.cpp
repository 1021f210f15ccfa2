#include <gtest/gtest.h>

#include "tools/capture/image_compare.h"

namespace capture {
namespace {

constexpr int side = 100;  // 10,000 pixels: each one is 0.01 %

RgbImage filled(std::uint8_t r, std::uint8_t g, std::uint8_t b, int width = side,
                int height = side) {
    RgbImage image{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        image.pixels.insert(image.pixels.end(), {r, g, b});
    }
    return image;
}

void paint(RgbImage& image, int count, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    for (int i = 0; i < count; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * 3;
        image.pixels[at] = r;
        image.pixels[at + 1] = g;
        image.pixels[at + 2] = b;
    }
}

const RgbImage background = filled(51, 51, 178);

TEST(ImageComparison, EqualPicturesMatch) {
    const Comparison result = compareImages(background, background, {});
    EXPECT_TRUE(result.sameSize);
    EXPECT_TRUE(result.matches);
    EXPECT_EQ(result.differing, 0);
    EXPECT_EQ(result.largestDifference, 0);
    EXPECT_EQ(result.share, 0.0);
}

TEST(ImageComparison, SmallChannelDifferencesAnywhereAreTolerated) {
    RgbImage shaded = filled(51 + 24, 51 - 24, 178);
    const Comparison result = compareImages(shaded, background, {24, 0.0});
    EXPECT_TRUE(result.matches);
    EXPECT_EQ(result.differing, 0);
    EXPECT_EQ(result.largestDifference, 24);
    const Comparison stricter = compareImages(shaded, background, {23, 0.0});
    EXPECT_FALSE(stricter.matches);
    EXPECT_EQ(stricter.differing, side * side);
}

TEST(ImageComparison, AFewStrayPixelsAreToleratedButAMovedShapeIsNot) {
    const Tolerance tolerance{24, 0.002};  // 20 of 10,000 pixels
    RgbImage stray = background;
    paint(stray, 20, 255, 255, 255);
    const Comparison few = compareImages(stray, background, tolerance);
    EXPECT_TRUE(few.matches);
    EXPECT_EQ(few.differing, 20);
    EXPECT_DOUBLE_EQ(few.share, 0.002);

    paint(stray, 21, 255, 255, 255);
    const Comparison many = compareImages(stray, background, tolerance);
    EXPECT_FALSE(many.matches);
    EXPECT_EQ(many.differing, 21);
    EXPECT_EQ(many.largestDifference, 255 - 51);
    // Only the blue channel differs, and by more than the tolerance.
    RgbImage blue = background;
    paint(blue, 21, 51, 51, 0);
    EXPECT_FALSE(compareImages(blue, background, tolerance).matches);
}

TEST(ImageComparison, PicturesOfDifferentSizesNeverMatch) {
    const Tolerance anything{255, 1.0};
    const Comparison wider =
        compareImages(filled(51, 51, 178, side + 1, side), background, anything);
    EXPECT_FALSE(wider.sameSize);
    EXPECT_FALSE(wider.matches);
    EXPECT_EQ(wider.describe(anything), "the sizes differ");
    // Same number of pixels, other shape.
    EXPECT_FALSE(compareImages(filled(51, 51, 178, 50, 200), background, anything).matches);
    EXPECT_FALSE(compareImages(RgbImage{}, RgbImage{}, anything).matches);
    EXPECT_TRUE(differenceImage(filled(0, 0, 0, 50, 200), background, anything).pixels.empty());
}

TEST(ImageComparison, TheDescriptionGivesCountShareAndLargestDifference) {
    RgbImage stray = background;
    paint(stray, 150, 255, 255, 255);
    const Tolerance tolerance{24, 0.002};
    EXPECT_EQ(compareImages(stray, background, tolerance).describe(tolerance),
              "150 pixels (1.500%) differ by more than 24 in a channel, 0.200% allowed; the "
              "largest difference is 204");
}

TEST(DifferenceImage, MarksDifferencesRedAndSmallOnesYellowOnAFadedReference) {
    RgbImage actual = background;
    paint(actual, 2, 255, 255, 255);     // pixels 0 and 1: far off
    actual.pixels[2 * 3 + 2] = 178 - 5;  // pixel 2: a little off
    const RgbImage picture = differenceImage(actual, background, {24, 0.002});
    ASSERT_EQ(picture.width, side);
    ASSERT_EQ(picture.height, side);
    const auto pixel = [&](int i) {
        const std::size_t at = static_cast<std::size_t>(i) * 3;
        return std::vector<int>{picture.pixels[at], picture.pixels[at + 1], picture.pixels[at + 2]};
    };
    EXPECT_EQ(pixel(0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(1), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(pixel(2), (std::vector<int>{255, 255, 0}));
    const int grey = (51 + 51 + 178) / 12;
    EXPECT_EQ(pixel(3), (std::vector<int>{grey, grey, grey}));
    EXPECT_EQ(pixel(side * side - 1), (std::vector<int>{grey, grey, grey}));
}

}  // namespace
}  // namespace capture
