// The matrix stacks of the GL subset: what each matrix call does to the current matrix, in
// single precision and in GL's order, and what a push and a pop keep. (A push onto a full
// stack and a pop of the last entry are GL errors: error_state_test.cpp.)
#include "libraries/gl_subset/matrix_stack.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

namespace {

using gl_subset::Matrix;

constexpr Matrix identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Both stacks at their bottom entry, holding the identity, the modelview current. Every test
// leaves the stacks at their bottom entries.
class MatrixStack : public ::testing::Test {
  protected:
    void SetUp() override { resetMatrices(); }
    void TearDown() override {
        resetMatrices();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    static void resetMatrices() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

// Column-major: the element in row i, column j is m[4j + i].
Matrix fromRows(const float (&rows)[4][4]) {
    Matrix m{};
    for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t j = 0; j < 4; ++j) {
            m[4 * j + i] = rows[i][j];
        }
    }
    return m;
}

TEST_F(MatrixStack, APushCopiesTheTopAndAPopGoesBackToItExactly) {
    glTranslatef(1.0f, 2.0f, 3.0f);
    const Matrix before = gl_subset::modelviewMatrix();
    glPushMatrix();
    EXPECT_EQ(gl_subset::modelviewMatrix(), before);
    glTranslatef(0.1f, 0.0f, 0.0f);
    glMultMatrixf(fromRows({{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}).data());
    EXPECT_NE(gl_subset::modelviewMatrix(), before);
    glPopMatrix();
    EXPECT_EQ(gl_subset::modelviewMatrix(), before);
}

// glMultMatrixd rounds each element to float, and the new matrix acts first: current x m.
TEST_F(MatrixStack, MultiplyRoundsToFloatAndActsBeforeTheCurrentMatrix) {
    glTranslatef(1.0f, 0.0f, 0.0f);
    const double scaleThenLift[16] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0.1, 0, 1};
    glMultMatrixd(scaleThenLift);
    // A point at (1, 0, 0) is scaled to (2, 0, 0), lifted by 0.1, then moved by 1 along x.
    EXPECT_EQ(gl_subset::modelviewMatrix(),
              fromRows({{2, 0, 0, 1}, {0, 2, 0, 0.1f}, {0, 0, 2, 0}, {0, 0, 0, 1}}));
    EXPECT_NE(static_cast<double>(gl_subset::modelviewMatrix()[13]), 0.1);
}

TEST_F(MatrixStack, LoadReplacesTheCurrentMatrixRoundedToFloat) {
    glTranslatef(5.0f, 5.0f, 5.0f);
    double m[16];
    for (int i = 0; i < 16; ++i) {
        m[i] = 0.1 * (i + 1);
    }
    glLoadMatrixd(m);
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(gl_subset::modelviewMatrix()[i], static_cast<float>(m[i])) << i;
    }
    glLoadIdentity();
    EXPECT_EQ(gl_subset::modelviewMatrix(), identity);
}

// The translation goes through the current matrix: its last column becomes the image of the
// point (x, y, z), in float; glTranslated rounds its arguments to float first.
TEST_F(MatrixStack, TranslateMovesAlongTheCurrentAxes) {
    glMultMatrixf(fromRows({{0, -2, 0, 1}, {2, 0, 0, 0}, {0, 0, 2, 0}, {0, 0, 0, 1}}).data());
    glTranslatef(1.0f, 2.0f, 3.0f);
    EXPECT_EQ(gl_subset::modelviewMatrix(),
              fromRows({{0, -2, 0, -3}, {2, 0, 0, 2}, {0, 0, 2, 6}, {0, 0, 0, 1}}));
    // Summed in float from the left: 1e8 + 3 rounds back to 1e8, twice; in double the sum
    // would be 1e8 + 6, whose nearest float is 1e8 + 8.
    glLoadIdentity();
    glMultMatrixf(fromRows({{1e8f, 3, 3, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}).data());
    glTranslatef(1.0f, 1.0f, 1.0f);
    EXPECT_EQ(gl_subset::modelviewMatrix()[12], 1e8f);
    glLoadIdentity();
    glTranslated(0.1, 0.2, 0.3);
    EXPECT_EQ(gl_subset::modelviewMatrix(),
              fromRows({{1, 0, 0, 0.1f}, {0, 1, 0, 0.2f}, {0, 0, 1, 0.3f}, {0, 0, 0, 1}}));
}

TEST_F(MatrixStack, ModelviewAndProjectionAreStacksOfTheirOwn) {
    glMatrixMode(GL_PROJECTION);
    glTranslatef(0.0f, 0.0f, -4.0f);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3.0f, 0.0f, 0.0f);
    EXPECT_EQ(gl_subset::projectionMatrix()[14], -4.0f);
    EXPECT_EQ(gl_subset::projectionMatrix()[12], 0.0f);
    EXPECT_EQ(gl_subset::modelviewMatrix()[12], 3.0f);
    EXPECT_EQ(gl_subset::modelviewMatrix()[14], 0.0f);
    double read[16];
    glGetDoublev(GL_PROJECTION_MATRIX, read);
    EXPECT_EQ(read[14], -4.0);
    glGetDoublev(GL_MODELVIEW_MATRIX, read);
    EXPECT_EQ(read[12], 3.0);
    // A push and a pop of the projection leave the modelview alone.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    EXPECT_EQ(gl_subset::modelviewMatrix()[12], 3.0f);
    glPopMatrix();
    EXPECT_EQ(gl_subset::projectionMatrix()[14], -4.0f);
    glMatrixMode(GL_MODELVIEW);
}

// What a sink derives from the matrices it may keep until the version goes up: every call that
// can change the current matrix moves it on; a push, which does not, leaves it.
TEST_F(MatrixStack, TheVersionGoesUpWheneverAMatrixMayHaveChanged) {
    const double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const auto after = [](auto call) {
        const std::uint64_t before = gl_subset::matrixVersion();
        call();
        return gl_subset::matrixVersion() != before;
    };
    EXPECT_TRUE(after([] { glLoadIdentity(); }));
    EXPECT_TRUE(after([&] { glLoadMatrixd(m); }));
    EXPECT_TRUE(after([&] { glMultMatrixd(m); }));
    EXPECT_TRUE(after([&] { glMultMatrixf(identity.data()); }));
    EXPECT_TRUE(after([] { glTranslatef(0, 0, 0); }));
    EXPECT_FALSE(after([] { glPushMatrix(); }));
    EXPECT_TRUE(after([] { glPopMatrix(); }));
}

// The product in GL's order (a acts after b), and the normal matrix: the inverse of the upper
// 3 x 3, row-major, so that a normal as a row vector times it keeps its length under a
// rotation and turns against a scaling.
TEST_F(MatrixStack, ProductAndNormalMatrix) {
    const Matrix scale = fromRows({{2, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 8, 0}, {0, 0, 0, 1}});
    const Matrix move = fromRows({{1, 0, 0, 1}, {0, 1, 0, 2}, {0, 0, 1, 3}, {0, 0, 0, 1}});
    EXPECT_EQ(gl_subset::multiply(scale, move),
              fromRows({{2, 0, 0, 2}, {0, 4, 0, 8}, {0, 0, 8, 24}, {0, 0, 0, 1}}));
    EXPECT_EQ(gl_subset::multiply(move, scale),
              fromRows({{2, 0, 0, 1}, {0, 4, 0, 2}, {0, 0, 8, 3}, {0, 0, 0, 1}}));
    EXPECT_EQ(gl_subset::normalMatrixOf(gl_subset::multiply(move, scale)),
              (std::array<float, 9>{0.5f, 0, 0, 0, 0.25f, 0, 0, 0, 0.125f}));
    const Matrix turn = fromRows({{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    // Row-major inverse of a turn is its transpose, written out row by row.
    EXPECT_EQ(gl_subset::normalMatrixOf(turn), (std::array<float, 9>{0, 1, 0, -1, 0, 0, 0, 0, 1}));
    // Singular: the identity.
    const Matrix flat = fromRows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}});
    EXPECT_EQ(gl_subset::normalMatrixOf(flat), (std::array<float, 9>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

}  // namespace
