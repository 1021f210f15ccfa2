// The GLUT calls that the viewer makes, in a web page: the canvas is the window, the page's
// heading and title carry the window's title, keys come from the browser's key events, and the
// main loop runs on the browser's animation frames, each one the keys typed since the last,
// the display (when a redisplay is due) and then the idle call, in freeglut's order.
#include <GL/glut.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstring>
#include <deque>

#include "libraries/gl_subset/primitive_sink.h"
#include "page_input.h"
#include "webgl_backend.h"
#include "webgl_sink.h"

namespace {

constexpr const char* canvas = "#canvas";

int windowWidth = 300;
int windowHeight = 300;
void (*displayCallback)() = nullptr;
void (*idleCallback)() = nullptr;
void (*keyboardCallback)(unsigned char, int, int) = nullptr;
bool redisplayDue = true;
// Where the GL subset's primitives go: transformed, lit and drawn with WebGL.
web_gl::WebGlSink sink;
bool mainLoopRunning = false;
// Keys typed since the last animation frame, and the page's commands among them. Handed over
// in the frame, where the runtime can end cleanly (Escape) and nothing is being drawn.
struct Typed {
    unsigned char key;
    void (*command)();
};
std::deque<Typed> typedKeys;

EM_JS(void, showTitle, (const char* title), {
    const text = UTF8ToString(title);
    document.title = text;
    const heading = document.getElementById("title");
    if (heading)
        heading.textContent = text;
});

// The character a key press types, as GLUT's keyboard callback gets it; -1 for keys that type
// none (arrows, function keys, modifiers), which the viewer does not hear. Mapped from the
// character the browser reports, not from the key's code, so every keyboard layout works.
int typedCharacter(const EmscriptenKeyboardEvent& event) {
    const char* key = event.key;
    const auto length = std::strlen(key);
    if (length == 1) {
        return static_cast<unsigned char>(key[0]);
    }
    // Two-byte UTF-8 for the characters from 128 to 255.
    if (length == 2 && (static_cast<unsigned char>(key[0]) & 0xE0) == 0xC0) {
        const int code = ((key[0] & 0x1F) << 6) | (key[1] & 0x3F);
        return code < 256 ? code : -1;
    }
    struct Named {
        const char* name;
        int code;
    };
    static constexpr Named named[] = {
        {"Escape", 27}, {"Enter", 13}, {"Tab", 9}, {"Backspace", 8}, {"Delete", 127}};
    for (const Named& n : named) {
        if (std::strcmp(key, n.name) == 0) {
            return n.code;
        }
    }
    return -1;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (event->ctrlKey || event->altKey || event->metaKey) {
        return EM_FALSE;  // the browser's own shortcuts
    }
    const int character = typedCharacter(*event);
    if (character < 0 || keyboardCallback == nullptr) {
        return EM_FALSE;
    }
    if (mainLoopRunning) {
        typedKeys.push_back({static_cast<unsigned char>(character), nullptr});
    } else {
        keyboardCallback(static_cast<unsigned char>(character), 0, 0);
    }
    return EM_TRUE;  // no scrolling on space, no focus change on Tab
}

void animationFrame() {
    while (!typedKeys.empty() && keyboardCallback != nullptr) {
        const Typed typed = typedKeys.front();
        typedKeys.pop_front();
        if (typed.command != nullptr) {
            typed.command();
        } else {
            keyboardCallback(typed.key, 0, 0);
        }
    }
    if (redisplayDue && displayCallback != nullptr) {
        redisplayDue = false;
        displayCallback();
    }
    if (idleCallback != nullptr) {
        idleCallback();
    }
}

}  // namespace

void web_gl::queueKey(unsigned char key) {
    typedKeys.push_back({key, nullptr});
}

void web_gl::queueCommand(void (*command)()) {
    typedKeys.push_back({0, command});
}

extern "C" {

void glutInit(int*, char**) {}

void glutInitDisplayMode(unsigned int) {}

void glutInitWindowSize(int width, int height) {
    windowWidth = width;
    windowHeight = height;
}

void glutInitWindowPosition(int, int) {}

int glutCreateWindow(const char* title) {
    showTitle(title);
    web_gl::createContext(canvas, windowWidth, windowHeight);
    gl_subset::setSink(&sink);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKeyDown);
    return 1;
}

void glutDisplayFunc(void (*callback)()) {
    displayCallback = callback;
}

void glutIdleFunc(void (*callback)()) {
    idleCallback = callback;
}

void glutKeyboardFunc(void (*callback)(unsigned char, int, int)) {
    keyboardCallback = callback;
}

void glutPostRedisplay() {
    redisplayDue = true;
}

void glutSwapBuffers() {
    // The browser shows the canvas when the animation frame ends.
    sink.endFrame();
}

void glutMainLoop() {
    mainLoopRunning = true;
    emscripten_set_main_loop(animationFrame, 0, EM_TRUE);
}

}  // extern "C"
