#include "libraries/gl_subset/error_state.h"

#include <GL/gl.h>

#include <cstdio>
#include <set>
#include <utility>

namespace gl_subset {
namespace {

GLenum pending = GL_NO_ERROR;
std::set<unsigned int> reported;

}  // namespace

void recordError(unsigned int code, std::string_view what) {
    if (pending == GL_NO_ERROR) {
        pending = code;
    }
    if (reported.insert(code).second) {
        std::fprintf(stderr, "GL subset: %.*s\n", static_cast<int>(what.size()), what.data());
    }
}

}  // namespace gl_subset

extern "C" GLenum glGetError() {
    return std::exchange(gl_subset::pending, GL_NO_ERROR);
}
