#include <gtest/gtest.h>

#include "libraries/image/image_compare.h"

namespace image {
namespace {

constexpr int side = 100;  // 10,000 pixels: each one is 0.01 %

RgbImage filled(std::uint8_t r, std::uint8_t g, std::uint8_t b, int width = side,
                int height = side) {
    return RgbImage(width, height, {r, g, b});
}

// The first `count` pixels, row by row.
void paint(RgbImage& image, int count, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    for (int i = 0; i < count; ++i) {
        image.set(i % image.width(), i / image.width(), {r, g, b});
    }
}

const RgbImage background = filled(51, 51, 178);

TEST(ImageComparison, EqualPicturesMatch) {
    const ImageComparison result = compareImages(background, background, defaultImageTolerance);
    EXPECT_TRUE(result.sameSize);
    EXPECT_TRUE(result.matches);
    EXPECT_EQ(result.differing, 0);
    EXPECT_EQ(result.largestDifference, 0);
    EXPECT_EQ(result.share, 0.0);
}

TEST(ImageComparison, SmallChannelDifferencesAnywhereAreTolerated) {
    RgbImage shaded = filled(51 + 24, 51 - 24, 178);
    const ImageComparison result = compareImages(shaded, background, {24, 0.0});
    EXPECT_TRUE(result.matches);
    EXPECT_EQ(result.differing, 0);
    EXPECT_EQ(result.largestDifference, 24);
    const ImageComparison stricter = compareImages(shaded, background, {23, 0.0});
    EXPECT_FALSE(stricter.matches);
    EXPECT_EQ(stricter.differing, side * side);
}

TEST(ImageComparison, AFewStrayPixelsAreToleratedButAMovedShapeIsNot) {
    const ImageTolerance tolerance{24, 0.002};  // 20 of 10,000 pixels
    RgbImage stray = background;
    paint(stray, 20, 255, 255, 255);
    const ImageComparison few = compareImages(stray, background, tolerance);
    EXPECT_TRUE(few.matches);
    EXPECT_EQ(few.differing, 20);
    EXPECT_DOUBLE_EQ(few.share, 0.002);

    paint(stray, 21, 255, 255, 255);
    const ImageComparison many = compareImages(stray, background, tolerance);
    EXPECT_FALSE(many.matches);
    EXPECT_EQ(many.differing, 21);
    EXPECT_EQ(many.largestDifference, 255 - 51);
    // Only the blue channel differs, and by more than the tolerance.
    RgbImage blue = background;
    paint(blue, 21, 51, 51, 0);
    EXPECT_FALSE(compareImages(blue, background, tolerance).matches);
}

TEST(ImageComparison, PicturesOfDifferentSizesNeverMatch) {
    const ImageTolerance anything{255, 1.0};
    const ImageComparison wider =
        compareImages(filled(51, 51, 178, side + 1, side), background, anything);
    EXPECT_FALSE(wider.sameSize);
    EXPECT_FALSE(wider.matches);
    EXPECT_EQ(wider.describe(anything), "the sizes differ");
    // Same number of pixels, other shape.
    EXPECT_FALSE(compareImages(filled(51, 51, 178, 50, 200), background, anything).matches);
    EXPECT_FALSE(compareImages(RgbImage{}, RgbImage{}, anything).matches);
    EXPECT_TRUE(differenceImage(filled(0, 0, 0, 50, 200), background, anything).empty());
}

TEST(ImageComparison, TheDescriptionGivesCountShareAndLargestDifference) {
    RgbImage stray = background;
    paint(stray, 150, 255, 255, 255);
    const ImageTolerance tolerance{24, 0.002};
    EXPECT_EQ(compareImages(stray, background, tolerance).describe(tolerance),
              "150 pixels (1.500%) differ by more than 24 in a channel, 0.200% allowed; the "
              "largest difference is 204");
}

TEST(DifferenceImage, MarksDifferencesRedAndSmallOnesYellowOnAFadedReference) {
    RgbImage actual = background;
    paint(actual, 2, 255, 255, 255);      // pixels 0 and 1: far off
    actual.set(2, 0, {51, 51, 178 - 5});  // pixel 2: a little off
    const RgbImage picture = differenceImage(actual, background, {24, 0.002});
    ASSERT_EQ(picture.width(), side);
    ASSERT_EQ(picture.height(), side);
    EXPECT_EQ(picture.at(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(picture.at(1, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(picture.at(2, 0), (Rgb{255, 255, 0}));
    const std::uint8_t grey = (51 + 51 + 178) / 12;
    EXPECT_EQ(picture.at(3, 0), (Rgb{grey, grey, grey}));
    EXPECT_EQ(picture.at(side - 1, side - 1), (Rgb{grey, grey, grey}));
}

}  // namespace
}  // namespace image
