#include "webgl_backend.h"

#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <cstdio>
#include <vector>

namespace webgl {
namespace {

constexpr const char* vertexShaderSource = R"(
attribute vec4 clip;
attribute vec4 colour;
varying vec4 shade;
void main() {
    gl_Position = clip;
    shade = colour;
}
)";

constexpr const char* fragmentShaderSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
varying vec4 shade;
void main() {
    gl_FragColor = shade;
}
)";

// Large enough to keep the calls per frame few, small enough to keep memory flat however many
// balls a frame holds.
constexpr std::size_t batchVertices = 3 * 8192;

GLuint vertexBuffer = 0;
int width = 0;
int height = 0;
std::vector<Vertex> batch;
GLenum batchMode = GL_TRIANGLES;

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = emscripten_glCreateShader(kind);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        char log[1024] = "";
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "shader does not compile: %s\n", log);
    }
    return shader;
}

void queue(GLenum mode, std::size_t room) {
    if (mode != batchMode || batch.size() + room > batchVertices) {
        flush();
        batchMode = mode;
    }
}

}  // namespace

void createContext(const char* canvasSelector, int canvasWidth, int canvasHeight) {
    width = canvasWidth;
    height = canvasHeight;
    emscripten_set_canvas_element_size(canvasSelector, width, height);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    // The last frame stays readable after it is shown, for a held picture and its tests.
    attributes.preserveDrawingBuffer = EM_TRUE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(canvasSelector, &attributes);
    if (context <= 0) {
        std::fprintf(stderr, "this browser gives the page no WebGL\n");
        return;
    }
    emscripten_webgl_make_context_current(context);

    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, compile(GL_VERTEX_SHADER, vertexShaderSource));
    emscripten_glAttachShader(program, compile(GL_FRAGMENT_SHADER, fragmentShaderSource));
    emscripten_glBindAttribLocation(program, 0, "clip");
    emscripten_glBindAttribLocation(program, 1, "colour");
    emscripten_glLinkProgram(program);
    emscripten_glUseProgram(program);

    emscripten_glGenBuffers(1, &vertexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, batchVertices * sizeof(Vertex), nullptr,
                            GL_STREAM_DRAW);
    emscripten_glEnableVertexAttribArray(0);
    emscripten_glEnableVertexAttribArray(1);
    emscripten_glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    emscripten_glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                                     reinterpret_cast<const void*>(sizeof(float) * 4));
    emscripten_glViewport(0, 0, width, height);
    batch.reserve(batchVertices);
}

int viewportWidth() {
    return width;
}

int viewportHeight() {
    return height;
}

void addTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    queue(GL_TRIANGLES, 3);
    batch.push_back(a);
    batch.push_back(b);
    batch.push_back(c);
}

void addLine(const Vertex& a, const Vertex& b) {
    queue(GL_LINES, 2);
    batch.push_back(a);
    batch.push_back(b);
}

void flush() {
    if (batch.empty()) {
        return;
    }
    emscripten_glBufferSubData(
        GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(batch.size() * sizeof(Vertex)), batch.data());
    emscripten_glDrawArrays(batchMode, 0, static_cast<GLsizei>(batch.size()));
    batch.clear();
}

void clear(unsigned int mask) {
    flush();
    emscripten_glClear(mask);
}

void clearColour(float r, float g, float b, float a) {
    flush();
    emscripten_glClearColor(r, g, b, a);
}

void setDepthTest(bool enabled) {
    flush();
    if (enabled) {
        emscripten_glEnable(GL_DEPTH_TEST);
    } else {
        emscripten_glDisable(GL_DEPTH_TEST);
    }
}

}  // namespace webgl
