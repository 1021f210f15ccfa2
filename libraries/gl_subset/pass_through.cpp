// The GL calls that the subset itself has no use for: capabilities, lights, clearing and
// finishing, passed on to the sink as they come.
#include <GL/gl.h>

#include "libraries/gl_subset/primitive_sink.h"

using gl_subset::currentSink;

extern "C" {

void glEnable(GLenum capability) {
    if (currentSink() != nullptr) {
        currentSink()->setCapability(capability, true);
    }
}

void glDisable(GLenum capability) {
    if (currentSink() != nullptr) {
        currentSink()->setCapability(capability, false);
    }
}

void glClear(GLbitfield mask) {
    if (currentSink() != nullptr) {
        currentSink()->clear(mask);
    }
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    if (currentSink() != nullptr) {
        currentSink()->clearColour(r, g, b, a);
    }
}

void glFinish() {
    if (currentSink() != nullptr) {
        currentSink()->finish();
    }
}

void glLightfv(GLenum light, GLenum name, const GLfloat* values) {
    if (currentSink() != nullptr) {
        currentSink()->setLight(light, name, values);
    }
}

}  // extern "C"
