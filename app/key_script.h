#pragma once

#include <optional>
#include <string>

// The programs' options that tell a state of the viewer as the keys a user types into it and the
// number of animation steps (frames) the user watches, read without GL. The script they make is
// played by app/script_player.h.

// The most frames one run may ask for.
inline constexpr int maxFrames = 1000000;

// Why `keys` cannot be typed into the viewer, or nothing when they can. Every character is a
// key of the viewer except Escape, which would end the program before `product` ("the
// picture") is written. The line starts with `given`, where the keys come from.
std::optional<std::string> checkKeys(const std::string& keys, const std::string& product,
                                     const std::string& given = "--keys");

// The value of --frames: a plain decimal number from 0 to maxFrames, leading zeros allowed.
std::optional<int> parseFrames(const std::string& text);

// Takes the value of an option counted like --frames into `count`, or says why it cannot
// ("--frames: 'x' is not a whole number from 0 to 1000000"); nothing when it was taken.
std::optional<std::string> readCount(const std::string& option, const std::string& value,
                                     int& count);

// The help text's lines for --keys.
std::string keysHelp();
