#pragma once

#include <optional>
#include <string>

// One key pressed: Escape quits with status 1, space pauses and resumes, "+" or "=" and "-"
// change the recursion depth, "1" to "3" pick a viewpoint, and every other character steps to
// the next model. Returns the line that says why a depth change was refused (or fell back; see
// raiseRecursionDepth), nothing when the key was taken.
std::optional<std::string> pressKey(unsigned char key);

// The window's only input callback: the key applied to the document (which presses it), its
// line printed on standard error.
void onKeyboard(unsigned char key, int x, int y);
