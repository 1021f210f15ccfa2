#pragma once

#include <string_view>

// GL's error state for the calls that fall outside the subset: a push past a stack's depth, a
// pop of its last entry, a primitive mode other than quads, lines and triangles. Each is
// recorded as GL records it, for glGetError to read (one code is held until it is read, as
// with a GL that keeps a single error flag), and said once per code on standard error, so
// that nothing the viewer asks for is dropped unnoticed.
namespace gl_subset {

// Records `code` (GL_INVALID_ENUM, GL_STACK_OVERFLOW, ...) unless a code is already waiting to
// be read; the first time this code is recorded, `what` is written to standard error as a
// line of its own.
void recordError(unsigned int code, std::string_view what);

}  // namespace gl_subset
