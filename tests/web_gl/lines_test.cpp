#include <gtest/gtest.h>

#include <cmath>

#include "lines.h"

namespace web_gl {
namespace {

web_gl::Vertex at(float x, float y, float z, float w, float shade) {
    return {{x, y, z, w}, {shade, shade, shade, 1.0f}};
}

TEST(WebLines, AreCutAtTheNearAndFarPlanesAndDroppedWhenWhollyOutside) {
    // From behind the eye (w < 0) to beyond the far plane (z > w).
    const auto cut = web_gl::clipToDepthRange(at(0, 0, -3, -1, 0), at(0, 0, 9, 5, 1));
    ASSERT_TRUE(cut);
    EXPECT_NEAR(cut->first.clip[2] + cut->first.clip[3], 0.0f, 1e-6f);
    EXPECT_GT(cut->first.clip[3], 0.0f);
    EXPECT_NEAR(cut->second.clip[3] - cut->second.clip[2], 0.0f, 1e-6f);
    // The colour follows the cuts: at 4/18 of the way (z + w goes from -4 to 14), then at 1/7
    // of the rest (w - z goes from 2/3 to -4).
    EXPECT_NEAR(cut->first.colour[0], 2.0f / 9.0f, 1e-6f);
    EXPECT_NEAR(cut->second.colour[0], 2.0f / 9.0f + 7.0f / 9.0f / 7.0f, 1e-6f);

    const auto inside = web_gl::clipToDepthRange(at(1, 2, 0, 1, 0), at(3, 4, 0.5f, 2, 1));
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->second.clip[0], 3.0f);
    EXPECT_FALSE(web_gl::clipToDepthRange(at(0, 0, -3, -1, 0), at(0, 0, -2, -1, 0)));
    EXPECT_FALSE(web_gl::clipToDepthRange(at(0, 0, 9, 5, 0), at(0, 0, 8, 5, 0)));
}

TEST(WebLines, WideLinesGrowAcrossTheirMainDirectionByTheirWidthInPixels) {
    // Mostly across an 800 x 400 viewport: 3 pixels tall, 1.5 above and below, at any depth.
    const auto flat = web_gl::widen(at(-1, 0, 0, 2, 1), at(1.5f, 0.5f, 0, 1, 1), 3.0f, 800, 400);
    EXPECT_FLOAT_EQ(flat[0].clip[1] / flat[0].clip[3], -1.5f / 200.0f);
    EXPECT_FLOAT_EQ(flat[1].clip[1] / flat[1].clip[3], 1.5f / 200.0f);
    EXPECT_FLOAT_EQ(flat[2].clip[1] / flat[2].clip[3], 0.5f + 1.5f / 200.0f);
    EXPECT_EQ(flat[2].clip[0], 1.5f);
    // Mostly up it: 3 pixels wide.
    const auto steep = web_gl::widen(at(0, -1, 0, 1, 1), at(0.1f, 1, 0, 1, 1), 3.0f, 800, 400);
    EXPECT_FLOAT_EQ(steep[3].clip[0], 0.1f - 1.5f / 400.0f);
    EXPECT_EQ(steep[3].clip[1], 1.0f);
}

}  // namespace
}  // namespace web_gl
