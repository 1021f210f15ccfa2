#pragma once

// The entry point's work: makes sure there is room to open the window (else ends with one line
// and status 1), opens it, sets the fixed rendering state, registers the callbacks, builds the
// scene and hands control to the frame loop, which does not return.
void startViewer(int* argc, char** argv);

// The viewer's line when freeglut cannot open its window.
inline constexpr const char* viewerCannotOpen =
    "the window could not be opened (the GL driver or the display did not start); the viewer "
    "ends";

// Hands the command line to GLUT, opens the window, sets the fixed rendering state (depth test,
// projection, clear colour, the one light, colour material) and registers the three callbacks.
// The first part of startViewer, for programs that drive the frames themselves. When freeglut
// cannot open the window (the GL driver cannot start, the display cannot be opened), the
// process ends with status 1 after freeglut's message and `cannotOpen`, one line.
void openWindow(int* argc, char** argv, const char* cannotOpen = viewerCannotOpen);
