#pragma once

// Whether the idle callback steps the model on screen. Starts true; changed only by
// toggleAnimation.
extern bool animating;

// Pauses a running animation, resumes a paused one (the space key).
void toggleAnimation();

// drawFrame, then swaps buffers.
void onDisplay();

// Clears, places the camera and draws the axes and the model on screen into the back buffer.
void drawFrame();

// Steps the model on screen while animating (through the document, whose history counts the
// step), and in every case asks for the next frame.
void onIdle();

// Three white line segments through the origin, 300 units each way.
void drawAxes();
