#include "scene/limb.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gl_matrices.h"
#include "gl_recorder.h"
#include "scene/ball.h"
#include "scene/tree_walks.h"

namespace {

using gl_double::call;
using gl_double::Call;
using gl_double::Matrix;

constexpr double fullTurn = 6.283184;  // the stored constant, not 2 pi
constexpr int callsPerLimb = 1 + 100 * 5 + 1 + 5;

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Compares two call streams argument by argument on their bit patterns (so -0 differs from 0),
// and reports the first few differences.
void expectBitIdentical(const std::vector<Call>& actual, const std::vector<Call>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    int reported = 0;
    for (std::size_t i = 0; i < actual.size() && reported < 5; ++i) {
        bool same =
            actual[i].name == expected[i].name && actual[i].args.size() == expected[i].args.size();
        for (std::size_t k = 0; same && k < actual[i].args.size(); ++k) {
            same = sameBits(actual[i].args[k], expected[i].args[k]);
        }
        if (!same) {
            ADD_FAILURE() << "call " << i << ": " << gl_double::toString(actual[i]) << ", expected "
                          << gl_double::toString(expected[i]);
            ++reported;
        }
    }
}

Call vertexCall(const Vec3& p) {
    return call("glVertex3dv", {p.x, p.y, p.z});
}

// The cylinder as the plain loop produces it: u and v stepped in single precision,
// each step (float)(value + 0.1), each loop repeated while its value <= 1.0, every point taken
// from surfacePoint.
std::vector<Call> referenceQuads(const Limb& limb) {
    std::vector<Call> out;
    out.push_back(call("glBegin", {GL_QUADS}));
    float u = 0.0f;
    do {
        const float uNext = static_cast<float>(u + 0.1);
        float v = 0.0f;
        do {
            const float vNext = static_cast<float>(v + 0.1);
            const Vec3 p0 = limb.surfacePoint(u, v);
            const Vec3 p1 = limb.surfacePoint(uNext, v);
            const Vec3 p2 = limb.surfacePoint(uNext, vNext);
            const Vec3 p3 = limb.surfacePoint(u, vNext);
            out.push_back(call("glNormal3dv", {p0.x, p0.y, 0.0}));
            out.push_back(vertexCall(p0));
            out.push_back(vertexCall(p1));
            out.push_back(vertexCall(p2));
            out.push_back(vertexCall(p3));
            v = vNext;
        } while (v <= 1.0);
        u = uNext;
    } while (u <= 1.0);
    out.push_back(call("glEnd"));
    return out;
}

std::vector<Call> referenceDraw(const Limb& limb) {
    std::vector<Call> out = referenceQuads(limb);
    out.push_back(call("glutSolidSphere", {limb.radius, 10, 5}));
    out.push_back(call("glPushMatrix"));
    out.push_back(call("glTranslatef", {0, 0, static_cast<float>(limb.limbLength)}));
    out.push_back(call("glutSolidSphere", {limb.radius, 10, 5}));
    out.push_back(call("glPopMatrix"));
    return out;
}

class LimbTest : public ::testing::Test {
  protected:
    void SetUp() override { gl_double::reset(); }
};

class BallTest : public ::testing::Test {
  protected:
    void SetUp() override { gl_double::reset(); }
};

// --- surfacePoint --------------------------------------------------------------------------

TEST_F(LimbTest, ConstructorStoresRadiusAndLength) {
    const Limb limb(0.25, 7.5);
    EXPECT_EQ(limb.radius, 0.25);
    EXPECT_EQ(limb.limbLength, 7.5);
    EXPECT_TRUE(limb.children.empty());
    EXPECT_EQ(toMatrix(limb.transform), toMatrix(Mat4()));
}

TEST_F(LimbTest, SurfacePointFollowsTheFormulaInDoublePrecision) {
    const Limb limb(1.25, 2.5);
    for (const float u : {0.0f, 0.1f, 0.25f, 0.30000001f, 0.7f, 1.0f, 1.00000012f}) {
        for (const float v : {0.0f, 0.1f, 0.5f, 0.90000010f, 1.00000012f}) {
            const Vec3 p = limb.surfacePoint(u, v);
            const double angle = static_cast<double>(u) * 6.283184;
            EXPECT_TRUE(sameBits(p.x, 1.25 * std::cos(angle))) << u << " " << v;
            EXPECT_TRUE(sameBits(p.y, -(1.25 * std::sin(angle)))) << u << " " << v;
            EXPECT_TRUE(sameBits(p.z, static_cast<double>(v) * 2.5)) << u << " " << v;
        }
    }
}

TEST_F(LimbTest, SurfacePointTurnsFromPlusXTowardsMinusY) {
    const Limb limb(2.0, 1.0);
    const Vec3 start = limb.surfacePoint(0.0f, 0.0f);
    EXPECT_EQ(start.x, 2.0);
    EXPECT_EQ(start.y, 0.0);
    EXPECT_EQ(start.z, 0.0);
    const Vec3 quarter = limb.surfacePoint(0.25f, 1.0f);
    EXPECT_NEAR(quarter.x, 0.0, 1e-5);
    EXPECT_NEAR(quarter.y, -2.0, 1e-9);
    EXPECT_EQ(quarter.z, 1.0);
}

TEST_F(LimbTest, SurfacePointUsesTheStoredFullTurnNotTwoPi) {
    const Limb limb(1.0, 1.0);
    // At u = 1 the stored 6.283184 falls short of a full turn by about 1.3e-6 rad.
    const Vec3 p = limb.surfacePoint(1.0f, 0.0f);
    EXPECT_EQ(p.y, -std::sin(6.283184));
    EXPECT_GT(p.y, 1.2e-6);
    EXPECT_LT(p.y, 1.4e-6);
}

// --- draw: counts and structure ------------------------------------------------------------

TEST_F(LimbTest, DrawEmitsOneQuadsBlockOfExactlyHundredQuads) {
    Limb limb(0.5, 3.0);
    limb.draw();
    EXPECT_EQ(gl_double::calls().size(), static_cast<std::size_t>(callsPerLimb));
    EXPECT_EQ(gl_double::callsNamed("glBegin"), (std::vector<Call>{call("glBegin", {7})}));
    EXPECT_EQ(gl_double::countOf("glEnd"), 1u);
    EXPECT_EQ(gl_double::countOf("glNormal3dv"), 100u);
    EXPECT_EQ(gl_double::countOf("glVertex3dv"), 400u);
    EXPECT_EQ(gl_double::calls().front(), call("glBegin", {GL_QUADS}));
    // Each normal is followed by exactly four vertices.
    for (std::size_t q = 0; q < 100; ++q) {
        const std::size_t first = 1 + 5 * q;
        EXPECT_EQ(gl_double::calls()[first].name, "glNormal3dv") << q;
        for (std::size_t k = 1; k <= 4; ++k) {
            EXPECT_EQ(gl_double::calls()[first + k].name, "glVertex3dv") << q;
        }
    }
    EXPECT_EQ(gl_double::calls()[501], call("glEnd"));
}

TEST_F(LimbTest, DrawEndsWithTheTwoEndSpheres) {
    Limb limb(0.5, 3.0);
    limb.draw();
    const std::vector<Call> tail(gl_double::calls().end() - 5, gl_double::calls().end());
    const std::vector<Call> expected{call("glutSolidSphere", {0.5, 10, 5}), call("glPushMatrix"),
                                     call("glTranslatef", {0, 0, 3.0}),
                                     call("glutSolidSphere", {0.5, 10, 5}), call("glPopMatrix")};
    EXPECT_EQ(tail, expected);
}

TEST_F(LimbTest, FarSphereSitsAtTheLengthRoundedToSinglePrecision) {
    Limb limb(0.3, 0.1);
    limb.draw();
    const double farZ = static_cast<double>(static_cast<float>(0.1));
    EXPECT_NE(farZ, 0.1);
    EXPECT_EQ(gl_double::callsNamed("glTranslatef").at(0), call("glTranslatef", {0, 0, farZ}));
    ASSERT_EQ(gl_double::sphereModelviews().size(), 2u);
    EXPECT_EQ(gl_double::sphereModelviews()[0], toMatrix(Mat4()));
    Mat4 far;
    far.setTranslation({0, 0, farZ});
    EXPECT_EQ(gl_double::sphereModelviews()[1], toMatrix(far));
}

TEST_F(LimbTest, FirstQuadOfTheStandardLimb) {
    Limb limb(0.5, 3.0);
    limb.draw();
    const std::vector<Call>& c = gl_double::calls();
    const double angle = static_cast<double>(0.1f) * fullTurn;
    EXPECT_NEAR(angle, 0.62831841, 1e-8);
    const double z = static_cast<double>(0.1f) * 3.0;
    EXPECT_NEAR(z, 0.30000000447, 1e-11);
    const double x1 = 0.5 * std::cos(angle), y1 = -(0.5 * std::sin(angle));

    EXPECT_EQ(c[1], call("glNormal3dv", {0.5, 0, 0}));
    EXPECT_EQ(c[2], call("glVertex3dv", {0.5, 0, 0}));
    EXPECT_EQ(c[3], call("glVertex3dv", {x1, y1, 0}));
    EXPECT_EQ(c[4], call("glVertex3dv", {x1, y1, z}));
    EXPECT_EQ(c[5], call("glVertex3dv", {0.5, 0, z}));
    EXPECT_NEAR(c[3].args[0], 0.5 * std::cos(0.62831841), 1e-9);
    EXPECT_NEAR(c[3].args[1], -0.5 * std::sin(0.62831841), 1e-9);
    // The normal is the unnormalised radial direction: its length is the radius.
    EXPECT_EQ(Vec3(c[1].args[0], c[1].args[1], c[1].args[2]).length(), 0.5);
}

TEST_F(LimbTest, DrawIsBitIdenticalToTheSpecifiedLoop) {
    for (const auto& [radius, length] : std::vector<std::pair<double, double>>{
             {0.5, 3.0}, {0.375, 2.25}, {1.3, 7.77}, {0.1, 0.1}, {2.0, 0.0}, {123.456, 1e-3}}) {
        SCOPED_TRACE(testing::Message() << "radius " << radius << " length " << length);
        gl_double::reset();
        Limb limb(radius, length);
        limb.draw();
        expectBitIdentical(gl_double::calls(), referenceDraw(limb));
    }
}

TEST_F(LimbTest, SingleStepsAreTheElevenSpecifiedValues) {
    // With length 1, a vertex's z is its v exactly, so the stream shows the parameter values.
    Limb limb(1.0, 1.0);
    limb.draw();
    std::set<double> zs;
    for (const Call& c : gl_double::callsNamed("glVertex3dv")) {
        zs.insert(c.args[2]);
    }
    const std::set<double> expected{0.0f,        0.1f,        0.2f,        0.30000001f,
                                    0.40000001f, 0.5f,        0.60000002f, 0.70000005f,
                                    0.80000007f, 0.90000010f, 1.00000012f};
    EXPECT_EQ(zs, expected);
    EXPECT_GT(1.00000012f, 1.0f);
}

TEST_F(LimbTest, NoStripStartsAtOneOrAbove) {
    Limb limb(1.0, 1.0);
    limb.draw();
    const std::vector<Call>& c = gl_double::calls();
    std::set<double> stripStartsAlong;
    std::set<std::pair<double, double>> stripStartsAround;
    for (std::size_t q = 0; q < 100; ++q) {
        const Call& p0 = c[2 + 5 * q];
        stripStartsAlong.insert(p0.args[2]);
        stripStartsAround.insert({p0.args[0], p0.args[1]});
        EXPECT_LT(p0.args[2], 1.0) << q;
    }
    EXPECT_EQ(stripStartsAlong.size(), 10u);
    EXPECT_EQ(stripStartsAround.size(), 10u);
    // The last strip along runs from 0.90000010 to 1.00000012.
    const Call& lastQuadTop = c[2 + 5 * 99 + 2];
    EXPECT_EQ(lastQuadTop.args[2], static_cast<double>(1.00000012f));
    EXPECT_EQ(c[2 + 5 * 99].args[2], static_cast<double>(0.90000010f));
}

TEST_F(LimbTest, QuadsOfOneStripAroundShareTheirNormal) {
    Limb limb(0.5, 3.0);
    limb.draw();
    const std::vector<Call> normals = gl_double::callsNamed("glNormal3dv");
    for (std::size_t i = 0; i < 10; ++i) {
        for (std::size_t k = 0; k < 10; ++k) {
            EXPECT_EQ(normals[10 * i + k], normals[10 * i]) << i << " " << k;
        }
        if (i > 0) {
            EXPECT_NE(normals[10 * i], normals[10 * (i - 1)]) << i;
        }
        EXPECT_EQ(normals[10 * i].args[2], 0.0);
        const Vec3 n(normals[10 * i].args[0], normals[10 * i].args[1], 0.0);
        EXPECT_NEAR(n.length(), 0.5, 1e-15);
    }
}

TEST_F(LimbTest, EveryDrawEmitsTheSameStream) {
    Limb limb(0.7, 1.9);
    limb.draw();
    const std::vector<Call> first = gl_double::calls();
    gl_double::clearCalls();
    limb.draw();
    expectBitIdentical(gl_double::calls(), first);
    // A second limb of other dimensions does not disturb the first.
    Limb other(3.0, 9.0);
    other.draw();
    gl_double::clearCalls();
    limb.draw();
    expectBitIdentical(gl_double::calls(), first);
}

TEST_F(LimbTest, DrawLeavesModelviewMatrixAndDepthAsFound) {
    glTranslatef(1.0f, 2.0f, 3.0f);
    glPushMatrix();
    glTranslatef(0.0f, -1.0f, 0.5f);
    const Matrix before = gl_double::currentMatrix();
    Limb limb(0.5, 3.0);
    limb.draw();
    EXPECT_EQ(gl_double::currentMatrix(), before);
    EXPECT_EQ(gl_double::stackDepth(), 2);
    EXPECT_EQ(gl_double::stackErrors(), 0);
}

TEST_F(LimbTest, RenderTreeDrawsTheLimbUnderItsTransform) {
    Limb limb(0.5, 2.0);
    limb.translate({1, 0, 0});
    renderTree(&limb);
    EXPECT_EQ(gl_double::calls().size(), static_cast<std::size_t>(callsPerLimb + 3));
    ASSERT_EQ(gl_double::sphereModelviews().size(), 2u);
    EXPECT_EQ(gl_double::sphereModelviews()[0][12], 1.0);
    EXPECT_EQ(gl_double::sphereModelviews()[1][12], 1.0);
    EXPECT_EQ(gl_double::sphereModelviews()[1][14], 2.0);
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::currentMatrix(), toMatrix(Mat4()));
}

TEST_F(LimbTest, AnimateChangesNothing) {
    Limb limb(0.5, 3.0);
    limb.rotate({1, 0, 0}, 0.2);
    const Matrix before = toMatrix(limb.transform);
    limb.animate();
    animateTree(&limb);
    EXPECT_EQ(toMatrix(limb.transform), before);
    EXPECT_EQ(limb.radius, 0.5);
    EXPECT_EQ(limb.limbLength, 3.0);
    EXPECT_TRUE(gl_double::calls().empty());
}

// --- Ball ----------------------------------------------------------------------------------

TEST_F(BallTest, DrawIsExactlyOneSphere) {
    Ball ball(2.0);
    EXPECT_EQ(ball.radius, 2.0);
    ball.draw();
    EXPECT_EQ(gl_double::calls(), (std::vector<Call>{call("glutSolidSphere", {2.0, 10, 5})}));
    ASSERT_EQ(gl_double::sphereModelviews().size(), 1u);
    EXPECT_EQ(gl_double::sphereModelviews()[0], toMatrix(Mat4()));
}

TEST_F(BallTest, SphereUsesTheRadiusAsGiven) {
    Ball ball(0.123456789);
    ball.draw();
    EXPECT_EQ(gl_double::calls(),
              (std::vector<Call>{call("glutSolidSphere", {0.123456789, 10, 5})}));
}

TEST_F(BallTest, RenderTreeDrawsTheBallUnderItsTransformAndRestoresTheStack) {
    Ball ball(1.5);
    ball.translate({0, 3, 0});
    renderTree(&ball);
    Call multiply{"glMultMatrixd", {}, {}};
    multiply.args.assign(ball.transform.m, ball.transform.m + 16);
    EXPECT_EQ(gl_double::calls(),
              (std::vector<Call>{call("glPushMatrix"), multiply,
                                 call("glutSolidSphere", {1.5, 10, 5}), call("glPopMatrix")}));
    EXPECT_EQ(gl_double::sphereModelviews().at(0), toMatrix(ball.transform));
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::currentMatrix(), toMatrix(Mat4()));
}

TEST_F(BallTest, AnimateChangesNothing) {
    Ball ball(1.0);
    ball.scale({1, 2, 1});
    const Matrix before = toMatrix(ball.transform);
    ball.animate();
    animateTree(&ball);
    EXPECT_EQ(toMatrix(ball.transform), before);
    EXPECT_TRUE(gl_double::calls().empty());
}

}  // namespace
