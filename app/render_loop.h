#pragma once

// Whether the idle callback steps the model on screen; toggled only by the space key.
extern bool animating;

// The entry point's work: opens the window, sets the fixed rendering state, registers the
// callbacks, builds the scene and hands control to GLUT's main loop, which does not return.
void startViewer(int* argc, char** argv);

// Clears, places the camera, draws the axes and the model on screen, and swaps buffers.
void onDisplay();

// Steps the model on screen while animating, and in every case asks for the next frame.
void onIdle();

// Three white line segments through the origin, 300 units each way.
void drawAxes();
