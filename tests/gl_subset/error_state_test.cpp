#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "libraries/gl_subset/matrix_stack.h"
#include "libraries/gl_subset/primitive_sink.h"

namespace gl_subset {
namespace {

// Counts the blocks that reach it.
class CountingSink : public PrimitiveSink {
  public:
    void draw(Primitive, std::span<const Vertex>, std::span<const std::uint32_t>) override {
        ++draws;
    }
    void setCapability(unsigned int, bool) override {}
    void setLight(unsigned int, unsigned int, const float*) override {}
    void clear(unsigned int) override {}
    void clearColour(float, float, float, float) override {}
    void finish() override {}
    int draws = 0;
};

void drawTriangleAs(GLenum mode) {
    glBegin(mode);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(0, 1, 0);
    glEnd();
}

// A call outside the subset is GL's error, read once through glGetError, and said on standard
// error the first time its kind occurs; it changes nothing, as in GL.
TEST(GlSubsetErrors, CallsOutsideTheSubsetAreRecordedAndSaidOncePerKind) {
    CountingSink sink;
    setSink(&sink);
    testing::internal::CaptureStderr();

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    drawTriangleAs(GL_POLYGON);
    drawTriangleAs(GL_TRIANGLE_STRIP);
    EXPECT_EQ(sink.draws, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // The next block in a mode of the subset is drawn.
    drawTriangleAs(GL_TRIANGLES);
    EXPECT_EQ(sink.draws, 1);

    // The modelview stack holds 32 entries: 31 pushes fit, the 32nd is refused and leaves the
    // top entry current.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (int i = 1; i < stackDepth; ++i) {
        glPushMatrix();
        glTranslatef(1, 0, 0);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glPushMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_STACK_OVERFLOW));
    glTranslatef(1, 0, 0);
    glPopMatrix();
    EXPECT_EQ(modelviewMatrix()[12], static_cast<float>(stackDepth - 2));

    // Down to the bottom entry, and a pop too many is refused.
    for (int i = 2; i < stackDepth; ++i) {
        glPopMatrix();
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(modelviewMatrix()[12], 0.0f);
    glPopMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_STACK_UNDERFLOW));
    EXPECT_EQ(modelviewMatrix()[12], 0.0f);
    // The first error is held until it is read, whatever follows it.
    drawTriangleAs(GL_POLYGON);
    glPopMatrix();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // glGetFloatv of state that the subset does not keep: the same kind, not said again, and
    // the values are left as they were.
    float values[16] = {7.0f};
    glGetFloatv(GL_MODELVIEW_MATRIX, values);
    EXPECT_EQ(values[0], 7.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));

    setSink(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "GL subset: glBegin(0x0009) asks for a primitive outside the subset, which draws "
              "GL_QUADS, GL_LINES and GL_TRIANGLES only; its vertices are not drawn: "
              "GL_INVALID_ENUM\n"
              "GL subset: glPushMatrix onto the full modelview stack (32 entries) is ignored: "
              "GL_STACK_OVERFLOW\n"
              "GL subset: glPopMatrix of the modelview stack's last entry is ignored: "
              "GL_STACK_UNDERFLOW\n");
}

}  // namespace
}  // namespace gl_subset
