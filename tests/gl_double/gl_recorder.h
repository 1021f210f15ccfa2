#pragma once

// A recording stand-in for the GL, GLU and GLUT libraries. Test executables link it in place
// of the real libraries: every entry point the system calls appends a Call, in order, with its
// arguments, and the modelview and projection stacks are simulated so that tests can read the
// current matrix and the stack depth.

#include <GL/gl.h>

#include <array>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace gl_double {

struct Call {
    std::string name;
    std::vector<double> args;  // numbers, and the elements of arrays handed by pointer
    std::string text;          // the string argument of glutCreateWindow, the argv of glutInit

    bool operator==(const Call&) const = default;
};

using Matrix = std::array<double, 16>;

// Shorthand for writing expected streams: call("glBegin", {7}).
Call call(std::string name, std::initializer_list<double> args = {}, std::string text = {});

std::string toString(const Call& c);
void PrintTo(const Call& c, std::ostream* os);  // lets GoogleTest print calls readably

// Back to the state of a fresh context: no calls, both stacks at depth 1 holding the identity,
// GL_MODELVIEW current, the modelview stack limit at 32, recording on.
void reset();

const std::vector<Call>& calls();
void clearCalls();
// Recording can be switched off for long runs; the matrix stacks are simulated either way.
void setRecording(bool on);

// The calls with this name, in order.
std::vector<Call> callsNamed(const std::string& name);
std::size_t countOf(const std::string& name);

// The simulated matrix stacks. The limit is the most entries the modelview stack may hold;
// a push beyond it, or a pop of the last entry, is counted as a stack error and ignored,
// as OpenGL does (GL_STACK_OVERFLOW, GL_STACK_UNDERFLOW).
int stackDepth(GLenum mode = GL_MODELVIEW);
const Matrix& currentMatrix(GLenum mode = GL_MODELVIEW);
void setModelviewStackLimit(int limit);
int stackErrors();

// The modelview matrix in force at each glutSolidSphere call, in order.
const std::vector<Matrix>& sphereModelviews();

// The callbacks registered through GLUT, so tests can drive the program as GLUT would.
using Callback = void (*)();
using KeyboardCallback = void (*)(unsigned char, int, int);
Callback displayFunc();
Callback idleFunc();
KeyboardCallback keyboardFunc();

}  // namespace gl_double
