#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the viewer does differently on the desktop and in a web browser. Each build links one
// implementation: platform_desktop.cpp (freeglut) or platform_web.cpp (WebAssembly).

// Sets up the process's heap for the frames to come, before the GL driver is loaded: on the
// desktop, the memory that the driver takes and gives back in every frame stays in the process
// for the next frame instead of going back to the system and being faulted in anew. Called
// first by openWindow, so every program that opens the viewer's window runs with it.
void keepFrameMemory();

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

// Bytes that drawing `balls` spheres in one frame can take at most, whatever the load. On the
// desktop, what Mesa's software renderer holds of a frame however far its rasterising threads
// lag behind: about 48 KiB a ball, up to the 64 scenes it keeps in flight, about 2.3 GiB. In
// the browser, what the GL layer takes in the WebAssembly heap (WebGL draws outside it).
std::uint64_t drawingCost(std::uint64_t balls);

// Asked before the window opens: the problem, in the memory guard's words ("opening the window
// and drawing the first frame needs about 284 MiB but about 250 MiB is available"), when the
// process has too little room left to open it and draw the first frame of any model; nothing
// when it has room. On the desktop, the room under the address-space limit against what Mesa's
// software renderer, freeglut and Xlib take for that, most of it the driver's libraries and its
// threads' stacks; without this, the driver crashes while it creates the GL context. In the
// browser nothing: the page has its canvas already.
std::optional<std::string> windowRoomProblem();

// Called before the window opens with a line of the program's own: until it is called again
// with nullptr, once the window is open, freeglut's fatal errors (the GL driver that cannot
// start, "Unable to create OpenGL 1.0 context", or a display that cannot be opened) end the
// process with status 1 after freeglut's own message and that line. In the browser nothing.
void endOnWindowSystemError(const char* line);
