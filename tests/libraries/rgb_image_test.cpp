#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "libraries/image/png_file.h"
#include "libraries/image/rgb_image.h"
#include "scratch_folder.h"

// The one picture type and its PNG files.
namespace image {
namespace {

namespace fs = std::filesystem;

class PngFiles : public ScratchFolderTest {
  protected:
    PngFiles() : ScratchFolderTest("png-files") {}
};

// Every pixel different: red counts across, green counts down, blue mixes both.
RgbImage gradient(int width, int height) {
    RgbImage image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.set(x, y,
                      {static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 5),
                       static_cast<std::uint8_t>(x * 3 + y * 11)});
        }
    }
    return image;
}

TEST(Pixels, PixelsLieRowByRowFromTheTopLeftThreeBytesEach) {
    RgbImage image(3, 2, {1, 2, 3});
    image.set(2, 1, {7, 8, 9});
    EXPECT_EQ(image.at(0, 0), (Rgb{1, 2, 3}));
    EXPECT_EQ(image.at(2, 1), (Rgb{7, 8, 9}));
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 7, 8, 9};
    EXPECT_EQ(image.bytes(), bytes);
    EXPECT_TRUE(image.contains(2, 1));
    EXPECT_FALSE(image.contains(3, 0));
    EXPECT_FALSE(image.contains(0, -1));
}

TEST(Pixels, ASideOfZeroOrLessGivesAPictureWithoutPixels) {
    for (const RgbImage& image : {RgbImage(-1, 5), RgbImage(5, 0), RgbImage()}) {
        EXPECT_TRUE(image.empty());
        EXPECT_EQ(image.width(), 0);
        EXPECT_EQ(image.height(), 0);
    }
}

TEST(BottomUpRows, TheLastRowReadBecomesTheTopRow) {
    // Two columns, three rows, as glReadPixels hands them: the bottom row first.
    const std::vector<std::uint8_t> rows = {
        1, 1, 1, 2, 2, 2,  // bottom
        3, 3, 3, 4, 4, 4,  // middle
        5, 5, 5, 6, 6, 6,  // top
    };
    const RgbImage image = fromBottomUpRows(2, 3, rows);
    EXPECT_EQ(image.width(), 2);
    EXPECT_EQ(image.height(), 3);
    const std::vector<std::uint8_t> topDown = {5, 5, 5, 6, 6, 6, 3, 3, 3,
                                               4, 4, 4, 1, 1, 1, 2, 2, 2};
    EXPECT_EQ(image.bytes(), topDown);
}

TEST(BottomUpRows, ABufferOfTheWrongSizeGivesAnEmptyPicture) {
    EXPECT_TRUE(fromBottomUpRows(2, 3, std::vector<std::uint8_t>(17)).empty());
    EXPECT_TRUE(fromBottomUpRows(0, 3, {}).empty());
}

TEST_F(PngFiles, APictureSavedReadsBackPixelForPixel) {
    const RgbImage image = gradient(37, 23);  // odd sizes: no row padding may creep in
    ASSERT_EQ(savePng(image, path("a.png")), std::nullopt);

    RgbImage back;
    ASSERT_EQ(readPng(path("a.png"), back), std::nullopt);
    EXPECT_EQ(back, image);
}

// Pictures of up to 256 colours are stored with a palette, larger ones as RGB; both must come
// back unchanged, also at the border between the two.
TEST_F(PngFiles, PicturesJustUnderAndOverThePaletteSizeReadBackPixelForPixel) {
    for (const int colours : {1, 256, 257}) {
        // One colour a column, the same in both rows.
        RgbImage image(colours, 2);
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < colours; ++x) {
                image.set(x, y,
                          {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8), 200});
            }
        }
        std::FILE* file = std::fopen(path("p.png").c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(writePng(image, file), std::nullopt);
        std::fclose(file);
        RgbImage back;
        ASSERT_EQ(readPng(path("p.png"), back), std::nullopt);
        EXPECT_EQ(back, image) << colours << " colours across";
    }
}

TEST_F(PngFiles, WritingAPictureWithoutPixelsFails) {
    std::FILE* file = std::fopen(path("a.png").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    EXPECT_NE(writePng(RgbImage{}, file), std::nullopt);
    std::fclose(file);
}

TEST_F(PngFiles, ReadingAMissingOrBrokenFileFailsWithItsName) {
    RgbImage image;
    EXPECT_NE(readPng(path("missing.png"), image).value_or("").find("missing.png"),
              std::string::npos);

    std::ofstream(path("text.png")) << "not a picture";
    EXPECT_NE(readPng(path("text.png"), image).value_or("").find("text.png"), std::string::npos);

    // A real PNG cut short.
    std::FILE* file = std::fopen(path("whole.png").c_str(), "wb");
    ASSERT_EQ(writePng(gradient(64, 64), file), std::nullopt);
    std::fclose(file);
    fs::copy_file(path("whole.png"), path("cut.png"));
    fs::resize_file(path("cut.png"), fs::file_size(path("whole.png")) / 2);
    EXPECT_NE(readPng(path("cut.png"), image), std::nullopt);
    EXPECT_TRUE(image.empty()) << "a picture that cannot be read is left as it was";
}

TEST_F(PngFiles, APendingPictureAppearsOnlyWhenCommitted) {
    files::PendingFile pending(path("out.png"));
    ASSERT_EQ(pending.prepare(), std::nullopt);
    EXPECT_TRUE(entries().empty()) << "nothing is made before the picture is ready";

    const RgbImage image = gradient(8, 8);
    ASSERT_EQ(commitPng(pending, image), std::nullopt);
    EXPECT_EQ(entries(), std::vector<std::string>{"out.png"});
    RgbImage back;
    ASSERT_EQ(readPng(path("out.png"), back), std::nullopt);
    EXPECT_EQ(back, image);
    EXPECT_NE(commitPng(pending, image), std::nullopt) << "a pending file is written once";
}

TEST_F(PngFiles, APendingPictureNotCommittedLeavesNothingBehind) {
    std::ofstream(path("out.png")) << "old";
    {
        files::PendingFile pending(path("out.png"));
        ASSERT_EQ(pending.prepare(), std::nullopt);
        // Failing to write leaves the old file as it was.
        const std::string problem = commitPng(pending, RgbImage{}).value_or("");
        EXPECT_NE(problem.find("out.png"), std::string::npos) << problem;
    }
    {
        files::PendingFile dropped(path("out.png"));
        ASSERT_EQ(dropped.prepare(), std::nullopt);
    }
    EXPECT_EQ(entries(), std::vector<std::string>{"out.png"});
    std::ifstream old(path("out.png"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "old");
}

}  // namespace
}  // namespace image
