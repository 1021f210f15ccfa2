// The page's highlight of the selected node, drawn through the plain-C++ GL subset into a sink
// that keeps what the browser would draw: each block and sphere with the colour it is drawn in
// (after the WebGL layer's tint) and the modelview matrix it is drawn under.
#include "node_selection.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "colour_tint.h"
#include "libraries/gl_subset/begin_end.h"
#include "libraries/gl_subset/matrix_stack.h"
#include "libraries/gl_subset/primitive_sink.h"
#include "scene/ball.h"
#include "scene/limb.h"
#include "scene/swinging_limb.h"
#include "scene/tree_walks.h"

namespace explorer {
namespace {

using Colour = std::array<float, 4>;

constexpr Colour white{1, 1, 1, 1};
constexpr Colour orange{1.0f, 0.55f, 0.15f, 1.0f};

class DrawnSink : public gl_subset::PrimitiveSink {
  public:
    struct Drawn {
        gl_subset::Primitive kind;
        std::vector<Colour> colours;  // one per vertex; one for a sphere
        std::vector<std::array<float, 3>> positions;
        gl_subset::Matrix modelview;
        float lineWidth;
    };
    std::vector<Drawn> drawn;
    std::vector<std::pair<unsigned int, bool>> capabilities;

    void draw(gl_subset::Primitive kind, std::span<const gl_subset::Vertex> vertices,
              std::span<const std::uint32_t>) override {
        Drawn d{kind, {}, {}, gl_subset::modelviewMatrix(), gl_subset::currentLineWidth()};
        for (const gl_subset::Vertex& v : vertices) {
            d.colours.push_back(web_gl::tinted(v.colour));
            d.positions.push_back({v.position[0], v.position[1], v.position[2]});
        }
        drawn.push_back(std::move(d));
    }
    void drawSolidSphere(double, int, int) override {
        drawn.push_back({gl_subset::Primitive::triangles,
                         {web_gl::tinted(gl_subset::currentColour().data())},
                         {},
                         gl_subset::modelviewMatrix(),
                         gl_subset::currentLineWidth()});
    }
    void setCapability(unsigned int capability, bool enabled) override {
        capabilities.emplace_back(capability, enabled);
    }
    void setLight(unsigned int, unsigned int, const float*) override {}
    void clear(unsigned int) override {}
    void clearColour(float, float, float, float) override {}
    void finish() override {}
};

// Every vertex of the draw in one colour.
bool drawnIn(const DrawnSink::Drawn& d, const Colour& colour) {
    for (const Colour& c : d.colours) {
        if (c != colour) {
            return false;
        }
    }
    return !d.colours.empty();
}

class NodeSelection : public ::testing::Test {
  protected:
    void SetUp() override {
        gl_subset::setSink(&sink);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -10.0f);  // the camera's
        glColor3f(1.0f, 1.0f, 1.0f);
        glLineWidth(1.0f);
    }
    void TearDown() override {
        node_selection::clear();
        gl_subset::setSink(nullptr);
        glLoadIdentity();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    // One frame as the page draws it.
    void frame(SceneNode* root) {
        sink.drawn.clear();
        sink.capabilities.clear();
        node_selection::beforeFrame();
        renderTree(root);
        node_selection::afterFrame();
    }

    // The small model's five draws in the colours given, and no state changed for axes.
    void expectSmallModelDrawnAsGiven() {
        ASSERT_EQ(sink.drawn.size(), 5u);
        for (const DrawnSink::Drawn& d : sink.drawn) {
            EXPECT_TRUE(drawnIn(d, white));
        }
        EXPECT_TRUE(sink.capabilities.empty());
    }

    DrawnSink sink;
};

// A root with a limb (3 draws: its side, its two end spheres) that holds a ball, and a ball.
struct SmallModel {
    SceneNode root;
    Limb* limb;
    Ball* held;
    Ball* other;
    SmallModel() {
        root.translate({0, 1, 0});
        limb = static_cast<Limb*>(root.addChild(new Limb(0.5, 3.0)));
        limb->rotate({0, 1, 0}, 0.7);
        limb->translate({-2, 0, 0});
        held = static_cast<Ball*>(limb->addChild(new Ball(0.5)));
        held->translate({0, 0, 4});
        other = static_cast<Ball*>(root.addChild(new Ball(1.0)));
        other->translate({3, 0, 0});
    }
};

TEST_F(NodeSelection, WithNothingSelectedTheFrameIsDrawnAsGivenAndNothingIsAdded) {
    SmallModel model;
    EXPECT_TRUE(node_selection::path().empty());
    frame(&model.root);
    expectSmallModelDrawnAsGiven();
}

// The selected node and its subtree are drawn orange, and nothing else; then its frame as
// axes 2 of its units long (x red, y green, z blue), unlit, over everything, 3 pixels wide;
// then the colour and line width are as they were.
TEST_F(NodeSelection, TheSubtreeIsTintedAndTheNodesFrameDrawnAsAxes) {
    SmallModel model;
    node_selection::select({&model.root, model.limb});
    frame(&model.root);
    ASSERT_EQ(sink.drawn.size(), 6u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(drawnIn(sink.drawn[i], orange)) << "draw " << i;  // the limb and its ball
    }
    EXPECT_TRUE(drawnIn(sink.drawn[4], white));  // the other ball

    const DrawnSink::Drawn& axes = sink.drawn[5];
    EXPECT_EQ(axes.kind, gl_subset::Primitive::lines);
    EXPECT_EQ(axes.modelview, sink.drawn[0].modelview);  // the limb's own frame
    EXPECT_EQ(axes.lineWidth, 3.0f);
    const Colour red{1, 0, 0, 1}, green{0, 0.8f, 0, 1}, blue{0.2f, 0.4f, 1, 1};
    EXPECT_EQ(axes.colours, (std::vector<Colour>{red, red, green, green, blue, blue}));
    EXPECT_EQ(axes.positions,
              (std::vector<std::array<float, 3>>{
                  {0, 0, 0}, {2, 0, 0}, {0, 0, 0}, {0, 2, 0}, {0, 0, 0}, {0, 0, 2}}));
    EXPECT_EQ(sink.capabilities, (std::vector<std::pair<unsigned int, bool>>{{GL_LIGHTING, false},
                                                                             {GL_DEPTH_TEST, false},
                                                                             {GL_DEPTH_TEST, true},
                                                                             {GL_LIGHTING, true}}));
    EXPECT_EQ(gl_subset::currentColour(), white);
    EXPECT_EQ(gl_subset::currentLineWidth(), 1.0f);
    EXPECT_EQ(web_gl::tinted(white.data()), white);
}

// The walk loads the matrices of levels below the 30 that the stack holds: the 35th limb of a
// 40-limb chain and the five below it are highlighted all the same, and its axes drawn in its
// frame.
TEST_F(NodeSelection, ANodeBelowTheMatrixStackIsHighlightedToo) {
    SwingingLimb chain(40, true);
    std::vector<const SceneNode*> path{&chain};
    while (path.size() < 35) {
        path.push_back(path.back()->children.front());
    }
    node_selection::select(path);
    frame(&chain);
    // Three draws a limb, then the axes.
    ASSERT_GE(sink.drawn.size(), 3u * 40u);
    for (std::size_t limb = 0; limb < 40; ++limb) {
        const Colour& expected = limb < 34 ? white : orange;
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_TRUE(drawnIn(sink.drawn[3 * limb + k], expected)) << "limb " << limb + 1;
        }
    }
    ASSERT_EQ(sink.drawn.size(), 3u * 40u + 1u) << "no axes";
    const DrawnSink::Drawn& axes = sink.drawn.back();
    EXPECT_EQ(axes.kind, gl_subset::Primitive::lines);
    EXPECT_EQ(axes.modelview, sink.drawn[3 * 34].modelview);
    EXPECT_EQ(gl_subset::currentColour(), white);
}

// The tables: the node's own transform, then the product of the transforms from the root
// down to it, as of the selection and then of each frame drawn.
TEST_F(NodeSelection, MatricesAreTheLocalAndWorldTransformsOfTheLastFrame) {
    SmallModel model;
    node_selection::select({&model.root, model.limb, model.held});
    const auto expectNoted = [&] {
        const Mat4 world =
            model.root.transform.multiply(model.limb->transform).multiply(model.held->transform);
        const std::array<double, 32>& noted = node_selection::matrices();
        for (std::size_t i = 0; i < 16; ++i) {
            EXPECT_EQ(noted[i], model.held->transform.m[i]) << i;
            EXPECT_EQ(noted[16 + i], world.m[i]) << i;
        }
    };
    expectNoted();
    model.held->translate({0, 0.5, 0});
    model.limb->rotate({1, 0, 0}, 0.2);
    frame(&model.root);
    expectNoted();
    EXPECT_EQ(node_selection::path().size(), 3u);
    EXPECT_EQ(node_selection::path().back(), model.held);
}

TEST_F(NodeSelection, ClearedTheNextFrameIsDrawnAsGiven) {
    SmallModel model;
    node_selection::select({&model.root});
    frame(&model.root);
    EXPECT_TRUE(drawnIn(sink.drawn[4], orange));
    node_selection::clear();
    EXPECT_TRUE(node_selection::path().empty());
    frame(&model.root);
    expectSmallModelDrawnAsGiven();
}

// A selected node that the frame does not draw (another model's) tints nothing and has no
// axes; the walk of a frame outside beforeFrame and afterFrame is not watched.
TEST_F(NodeSelection, OnlyTheWalkOfTheFrameDrawsTheHighlight) {
    SmallModel model;
    SmallModel another;
    node_selection::select({&another.root, another.limb});
    frame(&model.root);
    expectSmallModelDrawnAsGiven();

    node_selection::select({&model.root, model.limb});
    sink.drawn.clear();
    renderTree(&model.root);
    for (const DrawnSink::Drawn& d : sink.drawn) {
        EXPECT_TRUE(drawnIn(d, white));
    }
}

}  // namespace
}  // namespace explorer
