// Immediate mode in the GL subset: what glEnd hands to the sink for each primitive mode (each
// quad as two triangles), with the colour and normal current at each vertex, and what
// glGetFloatv reads back. (A mode outside the subset is GL's error: error_state_test.cpp.)
#include "libraries/gl_subset/begin_end.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "libraries/gl_subset/primitive_sink.h"

namespace {

using gl_subset::Primitive;

// Keeps every block that reaches it.
class RecordingSink : public gl_subset::PrimitiveSink {
  public:
    struct Block {
        Primitive kind;
        std::vector<gl_subset::Vertex> vertices;
        std::vector<std::uint32_t> corners;
    };
    std::vector<Block> blocks;

    void draw(Primitive kind, std::span<const gl_subset::Vertex> vertices,
              std::span<const std::uint32_t> corners) override {
        blocks.push_back(
            {kind, {vertices.begin(), vertices.end()}, {corners.begin(), corners.end()}});
    }
    void setCapability(unsigned int, bool) override {}
    void setLight(unsigned int, unsigned int, const float*) override {}
    void clear(unsigned int) override {}
    void clearColour(float, float, float, float) override {}
    void finish() override {}
};

class BeginEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        gl_subset::setSink(&sink);
        glColor3f(1.0f, 1.0f, 1.0f);
    }
    void TearDown() override {
        gl_subset::setSink(nullptr);
        glColor3f(1.0f, 1.0f, 1.0f);
        const double up[3] = {0, 0, 1};
        glNormal3dv(up);
        glLineWidth(1.0f);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    RecordingSink sink;
};

// glVertex3f(k, 0, 0) for k = 0, 1, ..., count - 1.
void numberedVertices(int count) {
    for (int k = 0; k < count; ++k) {
        glVertex3f(static_cast<float>(k), 0.0f, 0.0f);
    }
}

std::vector<float> firstCoordinates(const RecordingSink::Block& block) {
    std::vector<float> xs;
    for (const gl_subset::Vertex& v : block.vertices) {
        xs.push_back(v.position[0]);
    }
    return xs;
}

// Corners a, b, c, d in the order given become the triangles a b c and a c d: both turn the
// way the quad turns, and share its diagonal a c.
TEST_F(BeginEnd, EachQuadBecomesTwoTrianglesOnItsFirstDiagonal) {
    glBegin(GL_QUADS);
    numberedVertices(8);
    glEnd();
    ASSERT_EQ(sink.blocks.size(), 1u);
    const RecordingSink::Block& block = sink.blocks[0];
    EXPECT_EQ(block.kind, Primitive::triangles);
    EXPECT_EQ(firstCoordinates(block), (std::vector<float>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(block.corners, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
}

// Vertices that make no whole primitive are not drawn; a block with no whole primitive does
// not reach the sink at all.
TEST_F(BeginEnd, AnUnfinishedPrimitiveIsLeftOut) {
    glBegin(GL_QUADS);
    numberedVertices(7);
    glEnd();
    glBegin(GL_QUADS);
    numberedVertices(3);
    glEnd();
    glBegin(GL_LINES);
    numberedVertices(1);
    glEnd();
    ASSERT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(sink.blocks[0].corners, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3}));
}

TEST_F(BeginEnd, TrianglesInThreesAndLinesInTwos) {
    glBegin(GL_TRIANGLES);
    numberedVertices(7);
    glEnd();
    glBegin(GL_LINES);
    numberedVertices(5);
    glEnd();
    ASSERT_EQ(sink.blocks.size(), 2u);
    EXPECT_EQ(sink.blocks[0].kind, Primitive::triangles);
    EXPECT_EQ(sink.blocks[0].corners, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(sink.blocks[1].kind, Primitive::lines);
    EXPECT_EQ(sink.blocks[1].corners, (std::vector<std::uint32_t>{0, 1, 2, 3}));
    // Each block holds its own vertices only.
    EXPECT_EQ(firstCoordinates(sink.blocks[1]), (std::vector<float>{0, 1, 2, 3, 4}));
}

// A vertex takes the colour and normal current when it is given, in single precision; both
// outlive the block.
TEST_F(BeginEnd, EachVertexCarriesTheColourAndNormalCurrentThen) {
    const double tilted[3] = {0.1, 0.2, 0.3};
    glNormal3dv(tilted);
    glBegin(GL_QUADS);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glColor3f(0.0f, 0.5f, 0.0f);
    glVertex3f(1, 1, 0);
    const double given[3] = {0.1, 1.0, 0.0};
    glVertex3dv(given);
    glEnd();
    ASSERT_EQ(sink.blocks.size(), 1u);
    const auto& v = sink.blocks[0].vertices;
    ASSERT_EQ(v.size(), 4u);
    for (const gl_subset::Vertex& vertex : v) {
        EXPECT_EQ(vertex.normal[0], 0.1f);
        EXPECT_EQ(vertex.normal[1], 0.2f);
        EXPECT_EQ(vertex.normal[2], 0.3f);
    }
    EXPECT_EQ(v[1].colour[0], 1.0f);
    EXPECT_EQ(v[1].colour[1], 0.0f);
    EXPECT_EQ(v[2].colour[0], 0.0f);
    EXPECT_EQ(v[2].colour[1], 0.5f);
    EXPECT_EQ(v[3].colour[3], 1.0f);
    EXPECT_EQ(v[3].position[0], 0.1f);
    EXPECT_EQ(gl_subset::currentColour(), (std::array<float, 4>{0.0f, 0.5f, 0.0f, 1.0f}));
}

TEST_F(BeginEnd, WithoutASinkNothingIsDrawnAndTheNextBlockStartsAfresh) {
    gl_subset::setSink(nullptr);
    glBegin(GL_TRIANGLES);
    numberedVertices(3);
    glEnd();
    gl_subset::setSink(&sink);
    glBegin(GL_TRIANGLES);
    numberedVertices(3);
    glEnd();
    ASSERT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(sink.blocks[0].vertices.size(), 3u);
}

TEST_F(BeginEnd, GetFloatReadsTheColourTheNormalAndTheLineWidth) {
    glColor3f(0.25f, 0.5f, 0.75f);
    const double n[3] = {0.1, -0.2, 0.3};
    glNormal3dv(n);
    glLineWidth(3.0f);
    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<float, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
    std::array<float, 3> normal{};
    glGetFloatv(GL_CURRENT_NORMAL, normal.data());
    EXPECT_EQ(normal, (std::array<float, 3>{0.1f, -0.2f, 0.3f}));
    float width = 0.0f;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 3.0f);
    EXPECT_EQ(gl_subset::currentLineWidth(), 3.0f);
}

}  // namespace
