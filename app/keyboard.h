#pragma once

// The window's only input callback: Escape quits with status 1, space pauses and resumes,
// "+" or "=" and "-" change the recursion depth, "1" to "3" pick a viewpoint, and every other
// character steps to the next model. A depth whose models would not fit into memory is
// refused with a line on standard error; the depth and the models then stay as they were.
void onKeyboard(unsigned char key, int x, int y);

// Replaces the tree model, then the chain model, by new ones of the current recursionDepth,
// in the same slots. Both are built before the old ones are deleted; if building throws,
// nothing has changed.
void rebuildRecursiveModels();

// Steps currentModel to the next entry of modelList, from the last back to the first.
void nextModel();
