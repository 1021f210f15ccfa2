#include <gtest/gtest.h>

#include <string>

#include "app/key_script.h"

// The reading half of the key script: the keys that scene-capture's and scene-export's --keys
// may type, and the number of animation steps that their --frames, and the page's address, may
// ask for.
namespace {

TEST(KeyScript, EveryKeyButEscapeCanBeTyped) {
    std::string all;
    for (int code = 1; code < 256; ++code) {
        if (code != 27) {
            all += static_cast<char>(code);
        }
    }
    EXPECT_EQ(checkKeys(all, "the picture"), std::nullopt);
    EXPECT_EQ(checkKeys("x+\x1b", "the file"),
              "--keys: Escape (character 3) is not allowed: it would end the program before the "
              "file is written");
}

TEST(KeyScript, FramesAreAPlainNumberFromZeroToTheLimit) {
    EXPECT_EQ(parseFrames("0"), 0);
    EXPECT_EQ(parseFrames("007"), 7);
    EXPECT_EQ(parseFrames("1000000"), maxFrames);
    EXPECT_EQ(parseFrames("00000001000000"), maxFrames) << "leading zeros do not count";
    EXPECT_EQ(parseFrames("0000000000"), 0);
    for (const char* bad : {"", "-1", "+5", " 5", "5 ", "1e3", "0x10", "2.5", "1000001",
                            "00000001000001", "99999999999999999999", "ten"}) {
        EXPECT_FALSE(parseFrames(bad).has_value()) << '"' << bad << '"';
    }
}

}  // namespace
