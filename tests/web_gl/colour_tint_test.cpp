#include "colour_tint.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <limits>

namespace web_gl {
namespace {

std::array<std::uint32_t, 4> bitsOf(const std::array<float, 4>& c) {
    return {std::bit_cast<std::uint32_t>(c[0]), std::bit_cast<std::uint32_t>(c[1]),
            std::bit_cast<std::uint32_t>(c[2]), std::bit_cast<std::uint32_t>(c[3])};
}

// Without a tint a colour is drawn as given, to the bit; with one its red, green and blue are
// multiplied by the tint's in single precision, its alpha kept; cleared, as given again.
TEST(ColourTint, MultipliesRedGreenAndBlueWhileSetAndNothingOtherwise) {
    const float odd[4] = {0.3f, -0.0f, std::numeric_limits<float>::denorm_min(), 0.7f};
    EXPECT_EQ(bitsOf(web_gl::tinted(odd)), bitsOf({odd[0], odd[1], odd[2], odd[3]}));

    web_gl::setColourTint({1.0f, 0.55f, 0.15f});
    const float white[4] = {1, 1, 1, 1};
    EXPECT_EQ(web_gl::tinted(white), (std::array<float, 4>{1.0f, 0.55f, 0.15f, 1.0f}));
    const float grey[4] = {0.3f, 0.3f, 0.3f, 0.5f};
    EXPECT_EQ(web_gl::tinted(grey),
              (std::array<float, 4>{0.3f * 1.0f, 0.3f * 0.55f, 0.3f * 0.15f, 0.5f}));
    const float red[4] = {1, 0, 0, 1};
    EXPECT_EQ(web_gl::tinted(red), (std::array<float, 4>{1, 0, 0, 1}));

    web_gl::clearColourTint();
    EXPECT_EQ(bitsOf(web_gl::tinted(grey)), bitsOf({0.3f, 0.3f, 0.3f, 0.5f}));
}

}  // namespace
}  // namespace web_gl
