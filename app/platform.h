#pragma once

#include <cstdint>

// What the viewer does differently on the desktop and in a web browser. Each build links one
// implementation: platform_desktop.cpp (freeglut) or platform_web.cpp (WebAssembly).

// Gives control to the frame loop for good; from here on the window's callbacks do the work.
// The desktop hands it to GLUT's main loop; the browser runs one idle call and one frame per
// animation frame, or plays the keys and frames that the page's address asks for.
void runFrameLoop();

// Ends the viewer with `status` through the normal exit path, which runs the at-exit handlers.
// In the browser the frames stop and the page says so.
[[noreturn]] void endViewer(int status);

// Bytes that the process can still allocate. On the desktop: the least of the available
// physical memory, the room left under its control groups' memory limits, and the room left
// under its address-space and data-size limits. In the browser: the room left in the
// WebAssembly heap, its maximum less what is in use. Either way plus what is free inside its
// own heap, which it can reuse under any of them.
std::uint64_t obtainableMemory();
