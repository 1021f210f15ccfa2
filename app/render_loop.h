#pragma once

// Whether the idle callback steps the model on screen; toggled only by the space key.
extern bool animating;

// The entry point's work: opens the window, sets the fixed rendering state, registers the
// callbacks, builds the scene and hands control to GLUT's main loop, which does not return.
void startViewer(int* argc, char** argv);

// Hands the command line to GLUT, opens the window, sets the fixed rendering state, the
// projection and the light, and registers the three callbacks. The first part of startViewer,
// for programs that drive the frames themselves.
void openWindow(int* argc, char** argv);

// drawFrame, then swaps buffers.
void onDisplay();

// Clears, places the camera and draws the axes and the model on screen into the back buffer.
void drawFrame();

// Steps the model on screen while animating, and in every case asks for the next frame.
void onIdle();

// Three white line segments through the origin, 300 units each way.
void drawAxes();
