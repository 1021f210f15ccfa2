#pragma once

// The window's only input callback: Escape quits with status 1, space pauses and resumes,
// "+" or "=" and "-" change the recursion depth, "1" to "3" pick a viewpoint, and every other
// character steps to the next model.
void onKeyboard(unsigned char key, int x, int y);
