#pragma once

#include <optional>
#include <string>

#include "app/model_edit.h"
#include "outline_nodes.h"

// The viewer's frame loop in the web page. It runs in one of three states: live (the viewer as
// on the desktop, its keys and steps recorded for the address), scripted (the address's script
// playing a little in each animation frame) and held (the script's last picture kept, until a
// key or a button goes live again). runFrameLoop (app/platform.h) starts it.
namespace explorer {

// Whether the address's script is still playing: the page's outline and picking wait for it.
bool scriptPlaying();

// The nodes of the model on screen, as the page knows them.
OutlineNodes& shownNodes();

// The address's query for what the picture on screen shows.
std::string shownQuery();

// A learner's edit (a value, a reset, a structural edit, undo or redo), applied to the document
// at once and drawn in the next frame, held or not; the line that says why it was refused (or
// what became of it, when it was taken otherwise than asked), or nothing.
std::optional<std::string> edit(const Edit& edit);

// Draws the picture again in the next animation frame, held or not (the selection changed).
void requestFrame();

// As if `key` were typed, and one animation step of the model on screen paused or not (the
// page's Step): both in the next animation frame, behind the keys typed before them.
void queueKey(unsigned char key);
void queueStep();

// Installs the page's callbacks, reads the address's script and runs GLUT's main loop.
void run();

}  // namespace explorer
