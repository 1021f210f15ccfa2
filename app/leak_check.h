#pragma once

// In the sanitizer build, readies the leak check that runs at exit: every library loaded so
// far, the GL driver among them, stays loaded to the end, so that what the libraries still
// hold is seen through their data and what they leak can be named. Called once the window is
// open. Does nothing in other builds.
//
// The leaks expected at exit are listed in leak_check.cpp: the model slots and the models in
// them, which the viewer keeps to the end on purpose, and the GL driver's own.
void prepareLeakCheck();
