#pragma once

#include <optional>
#include <string>

// The options that say which state of the viewer a program shows: the keys typed into it and
// the animation steps after them. scene-capture and scene-export read them alike.
namespace command_line {

// The most frames one run may ask for.
inline constexpr int maxFrames = 1000000;

// Why `keys` cannot be typed into the viewer, or empty when it can. Every character is a key
// of the viewer except Escape, which would end the program before `product` ("the picture")
// is written.
std::string checkKeys(const std::string& keys, const std::string& product);

// The value of --frames: a plain decimal number from 0 to maxFrames, leading zeros allowed.
std::optional<int> parseFrames(const std::string& text);

// Takes the value of an option counted like --frames into `count`, or says why it cannot
// ("--frames: 'x' is not a whole number from 0 to 1000000").
std::string takeCount(const std::string& option, const std::string& value, int& count);

// The help text's lines for --keys.
std::string keysHelp();

}  // namespace command_line
