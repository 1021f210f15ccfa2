#include "gl_recorder.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>

namespace gl_double {
namespace {

struct State {
    std::vector<Call> calls;
    bool recording = true;
    GLenum mode = GL_MODELVIEW;
    std::vector<Matrix> modelview{identity()};
    std::vector<Matrix> projection{identity()};
    int modelviewLimit = 32;
    int stackErrors = 0;
    std::vector<Matrix> sphereModelviews;
    Callback display = nullptr;
    Callback idle = nullptr;
    KeyboardCallback keyboard = nullptr;

    static Matrix identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }
};

State& state() {
    static State s;
    return s;
}

void record(const char* name, std::vector<double> args = {}, std::string text = {}) {
    if (state().recording) {
        state().calls.push_back({name, std::move(args), std::move(text)});
    }
}

std::vector<Matrix>& currentStack() {
    return state().mode == GL_PROJECTION ? state().projection : state().modelview;
}

// current := current x m, as glMultMatrix does.
void multiplyCurrent(const Matrix& m) {
    Matrix& c = currentStack().back();
    Matrix r{};
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            r[4 * j + i] = c[i] * m[4 * j] + c[4 + i] * m[4 * j + 1] + c[8 + i] * m[4 * j + 2] +
                           c[12 + i] * m[4 * j + 3];
        }
    }
    c = r;
}

std::string formatNumber(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return buffer;
}

}  // namespace

Call call(std::string name, std::initializer_list<double> args, std::string text) {
    return {std::move(name), std::vector<double>(args), std::move(text)};
}

std::string toString(const Call& c) {
    std::ostringstream out;
    out << c.name << "(";
    for (std::size_t i = 0; i < c.args.size(); ++i) {
        out << (i ? ", " : "") << formatNumber(c.args[i]);
    }
    if (!c.text.empty()) {
        out << (c.args.empty() ? "\"" : ", \"") << c.text << "\"";
    }
    out << ")";
    return out.str();
}

void PrintTo(const Call& c, std::ostream* os) {
    *os << toString(c);
}

void reset() {
    state() = State();
}

const std::vector<Call>& calls() {
    return state().calls;
}
void clearCalls() {
    state().calls.clear();
}
void setRecording(bool on) {
    state().recording = on;
}

std::vector<Call> callsNamed(const std::string& name) {
    std::vector<Call> found;
    for (const Call& c : state().calls) {
        if (c.name == name) {
            found.push_back(c);
        }
    }
    return found;
}

std::size_t countOf(const std::string& name) {
    return callsNamed(name).size();
}

int stackDepth(GLenum mode) {
    return static_cast<int>(mode == GL_PROJECTION ? state().projection.size()
                                                  : state().modelview.size());
}

const Matrix& currentMatrix(GLenum mode) {
    return mode == GL_PROJECTION ? state().projection.back() : state().modelview.back();
}

void setModelviewStackLimit(int limit) {
    state().modelviewLimit = limit;
}
int stackErrors() {
    return state().stackErrors;
}
const std::vector<Matrix>& sphereModelviews() {
    return state().sphereModelviews;
}

Callback displayFunc() {
    return state().display;
}
Callback idleFunc() {
    return state().idle;
}
KeyboardCallback keyboardFunc() {
    return state().keyboard;
}

}  // namespace gl_double

using gl_double::Matrix;
using gl_double::record;
using gl_double::state;

// OpenGL

void glEnable(GLenum cap) {
    record("glEnable", {double(cap)});
}

void glMatrixMode(GLenum mode) {
    record("glMatrixMode", {double(mode)});
    state().mode = mode;
}

void glLoadIdentity() {
    record("glLoadIdentity");
    gl_double::currentStack().back() = gl_double::State::identity();
}

void glPushMatrix() {
    record("glPushMatrix");
    auto& stack = gl_double::currentStack();
    const int limit = state().mode == GL_PROJECTION ? 2 : state().modelviewLimit;
    if (static_cast<int>(stack.size()) >= limit) {
        ++state().stackErrors;
        return;
    }
    stack.push_back(stack.back());
}

void glPopMatrix() {
    record("glPopMatrix");
    auto& stack = gl_double::currentStack();
    if (stack.size() <= 1) {
        ++state().stackErrors;
        return;
    }
    stack.pop_back();
}

void glMultMatrixd(const GLdouble* m) {
    Matrix matrix;
    for (int i = 0; i < 16; ++i) {
        matrix[i] = m[i];
    }
    record("glMultMatrixd", std::vector<double>(matrix.begin(), matrix.end()));
    gl_double::multiplyCurrent(matrix);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    record("glTranslatef", {x, y, z});
    gl_double::multiplyCurrent({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1});
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    record("glClearColor", {r, g, b, a});
}

void glClear(GLbitfield mask) {
    record("glClear", {double(mask)});
}

void glFinish() {
    record("glFinish", {});
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    record("glLightfv", {double(light), double(pname), params[0], params[1], params[2], params[3]});
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    record("glColor3f", {r, g, b});
}
void glLineWidth(GLfloat width) {
    record("glLineWidth", {width});
}
void glBegin(GLenum mode) {
    record("glBegin", {double(mode)});
}
void glEnd() {
    record("glEnd");
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    record("glVertex3f", {x, y, z});
}
void glVertex3dv(const GLdouble* v) {
    record("glVertex3dv", {v[0], v[1], v[2]});
}
void glNormal3dv(const GLdouble* v) {
    record("glNormal3dv", {v[0], v[1], v[2]});
}

void glGetIntegerv(GLenum pname, GLint* params) {
    record("glGetIntegerv", {double(pname)});
    if (pname == GL_MAX_MODELVIEW_STACK_DEPTH) {
        *params = state().modelviewLimit;
    } else if (pname == GL_MODELVIEW_STACK_DEPTH) {
        *params = gl_double::stackDepth(GL_MODELVIEW);
    } else {
        *params = 0;
    }
}

void glGetDoublev(GLenum pname, GLdouble* params) {
    record("glGetDoublev", {double(pname)});
    const Matrix& m =
        gl_double::currentMatrix(pname == GL_PROJECTION_MATRIX ? GL_PROJECTION : GL_MODELVIEW);
    for (int i = 0; i < 16; ++i) {
        params[i] = m[i];
    }
}

void glLoadMatrixd(const GLdouble* m) {
    Matrix matrix;
    for (int i = 0; i < 16; ++i) {
        matrix[i] = m[i];
    }
    record("glLoadMatrixd", std::vector<double>(matrix.begin(), matrix.end()));
    gl_double::currentStack().back() = matrix;
}

// GLU

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    record("gluPerspective", {fovy, aspect, zNear, zFar});
    const double f = 1.0 / std::tan(fovy * M_PI / 360.0);
    const double d = zNear - zFar;
    gl_double::multiplyCurrent({f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (zFar + zNear) / d, -1, 0, 0,
                                2 * zFar * zNear / d, 0});
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    record("gluLookAt", {eyeX, eyeY, eyeZ, centerX, centerY, centerZ, upX, upY, upZ});
    auto normalize = [](double v[3]) {
        const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; ++i) {
            v[i] /= l;
        }
    };
    auto cross = [](const double a[3], const double b[3], double r[3]) {
        r[0] = a[1] * b[2] - a[2] * b[1];
        r[1] = a[2] * b[0] - a[0] * b[2];
        r[2] = a[0] * b[1] - a[1] * b[0];
    };
    double f[3] = {centerX - eyeX, centerY - eyeY, centerZ - eyeZ};
    double up[3] = {upX, upY, upZ};
    normalize(f);
    double s[3], u[3];
    cross(f, up, s);
    normalize(s);
    cross(s, f, u);
    gl_double::multiplyCurrent(
        {s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0, 0, 0, 0, 1});
    gl_double::multiplyCurrent({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -eyeX, -eyeY, -eyeZ, 1});
}

// GLUT

void glutInit(int* argc, char** argv) {
    std::string words;
    for (int i = 0; i < *argc; ++i) {
        if (i > 0) {
            words += ' ';
        }
        words += argv[i];
    }
    record("glutInit", {double(*argc)}, words);
}

void glutInitDisplayMode(unsigned int mode) {
    record("glutInitDisplayMode", {double(mode)});
}
void glutInitWindowSize(int w, int h) {
    record("glutInitWindowSize", {double(w), double(h)});
}
void glutInitWindowPosition(int x, int y) {
    record("glutInitWindowPosition", {double(x), double(y)});
}

// Recorded with 1 when an error function is set, 0 when freeglut's own is restored.
void glutInitErrorFunc(void (*f)(const char*, va_list)) {
    record("glutInitErrorFunc", {f != nullptr ? 1.0 : 0.0});
}

int glutCreateWindow(const char* title) {
    record("glutCreateWindow", {}, title);
    return 1;
}

void glutDisplayFunc(void (*f)()) {
    record("glutDisplayFunc");
    state().display = f;
}

void glutKeyboardFunc(void (*f)(unsigned char, int, int)) {
    record("glutKeyboardFunc");
    state().keyboard = f;
}

void glutIdleFunc(void (*f)()) {
    record("glutIdleFunc");
    state().idle = f;
}

// The real main loop never returns; this one returns at once so that tests can go on to
// drive the registered callbacks themselves.
void glutMainLoop() {
    record("glutMainLoop");
}

void glutSwapBuffers() {
    record("glutSwapBuffers");
}
void glutPostRedisplay() {
    record("glutPostRedisplay");
}

void glutSolidSphere(double radius, GLint slices, GLint stacks) {
    record("glutSolidSphere", {radius, double(slices), double(stacks)});
    state().sphereModelviews.push_back(state().modelview.back());
}
