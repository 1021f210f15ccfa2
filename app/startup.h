#pragma once

// The entry point's work: opens the window, sets the fixed rendering state, registers the
// callbacks, builds the scene and hands control to the frame loop, which does not return.
void startViewer(int* argc, char** argv);

// Hands the command line to GLUT, opens the window, sets the fixed rendering state (depth test,
// projection, clear colour, the one light, colour material) and registers the three callbacks.
// The first part of startViewer, for programs that drive the frames themselves.
void openWindow(int* argc, char** argv);
