#pragma once

// Input from the page's own controls (its buttons), queued behind the keys typed so far and
// handed over in order in the next animation frame, as the keys are.
namespace web_gl {

// As if `key` were typed.
void queueKey(unsigned char key);
// `command` runs where a key would be handed over.
void queueCommand(void (*command)());

}  // namespace web_gl
