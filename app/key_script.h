#pragma once

#include <functional>
#include <optional>
#include <string>

// A state of the viewer told as a script: the keys a user types into it, then the number of
// animation steps (frames) the user watches. scene-capture and scene-export read it from
// their command lines, the web page from its address, and all three run it here.

// The most frames one run may ask for.
inline constexpr int maxFrames = 1000000;

// Why `keys` cannot be typed into the viewer, or nothing when they can. Every character is a
// key of the viewer except Escape, which would end the program before `product` ("the
// picture") is written.
std::optional<std::string> checkKeys(const std::string& keys, const std::string& product);

// The value of --frames: a plain decimal number from 0 to maxFrames, leading zeros allowed.
std::optional<int> parseFrames(const std::string& text);

// Takes the value of an option counted like --frames into `count`, or says why it cannot
// ("--frames: 'x' is not a whole number from 0 to 1000000"); nothing when it was taken.
std::optional<std::string> readCount(const std::string& option, const std::string& value,
                                     int& count);

// The help text's lines for --keys.
std::string keysHelp();

// Hands each character of `keys`, in order, to the viewer's keyboard callback, as GLUT does
// for a key typed in the window.
void playKeys(const std::string& keys);

// `steps` times the idle callback, each followed by `showStep` when it is given; as the
// viewer's main loop alternates them, each finished before the next. With 0 steps nothing is
// stepped and `show` runs once, when it is given.
void runSteps(int steps, void (*show)(), void (*showStep)());

// One idle step of the model on screen even while the animation is paused (the page's Step):
// the pause is lifted for that one step and put back.
void stepOnce();

// The whole script: `show` draws the start state first, as the viewer shows it before any key
// can reach it; then the keys; then runSteps. The scene must have been built. `counted`, when
// given, runs after each key and after each step (a long run's progress line).
//
// The first frame matters beyond what it shows: the axes are lit with whatever normal the
// frame before left current, and only a drawn limb sets one; the start state always has one.
void runScript(const std::string& keys, int steps, void (*show)(), void (*showStep)(),
               const std::function<void()>& counted = {});
