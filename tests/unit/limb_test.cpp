#include "scene/limb.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "gl_recorder.h"
#include "scene/ball.h"

namespace {

using gl_double::call;
using gl_double::Call;

// The eleven values the surface parameters take, each step rounded to single precision. The
// last is the first single above 1.0, so both loops stop after ten steps.
constexpr float parameterValues[11] = {0.0f,        0.1f,        0.2f,        0.30000001f,
                                       0.40000001f, 0.5f,        0.60000002f, 0.70000005f,
                                       0.80000007f, 0.90000010f, 1.00000012f};

Call vertexCall(const Vec3& p) {
    return call("glVertex3dv", {p.x, p.y, p.z});
}

// The limb's whole stream: one quads block of ten strips around by ten along, quad (i, k)
// running from parameter i to i + 1 around and k to k + 1 along, lit by the radial direction
// at its first corner; then the sphere at each end.
std::vector<Call> limbStream(const Limb& limb) {
    std::vector<Call> out{call("glBegin", {GL_QUADS})};
    for (int i = 0; i < 10; ++i) {
        const float u = parameterValues[i], uNext = parameterValues[i + 1];
        for (int k = 0; k < 10; ++k) {
            const float v = parameterValues[k], vNext = parameterValues[k + 1];
            const Vec3 first = limb.surfacePoint(u, v);
            out.push_back(call("glNormal3dv", {first.x, first.y, 0.0}));
            out.push_back(vertexCall(first));
            out.push_back(vertexCall(limb.surfacePoint(uNext, v)));
            out.push_back(vertexCall(limb.surfacePoint(uNext, vNext)));
            out.push_back(vertexCall(limb.surfacePoint(u, vNext)));
        }
    }
    out.push_back(call("glEnd"));
    out.push_back(call("glutSolidSphere", {limb.radius, 10, 5}));
    out.push_back(call("glPushMatrix"));
    out.push_back(call("glTranslatef", {0, 0, static_cast<float>(limb.limbLength)}));
    out.push_back(call("glutSolidSphere", {limb.radius, 10, 5}));
    out.push_back(call("glPopMatrix"));
    return out;
}

bool sameBits(const Call& a, const Call& b) {
    if (a.name != b.name || a.args.size() != b.args.size()) {
        return false;
    }
    for (std::size_t k = 0; k < a.args.size(); ++k) {
        if (std::bit_cast<std::uint64_t>(a.args[k]) != std::bit_cast<std::uint64_t>(b.args[k])) {
            return false;
        }
    }
    return true;
}

// Compares on the arguments' bit patterns (so -0 differs from 0) and names the first call
// that differs: a limb's stream is too long to print whole.
void expectSameStream(const std::vector<Call>& actual, const std::vector<Call>& expected) {
    for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        if (!sameBits(actual[i], expected[i])) {
            ADD_FAILURE() << "call " << i << " is " << gl_double::toString(actual[i])
                          << ", expected " << gl_double::toString(expected[i]);
            return;
        }
    }
    EXPECT_EQ(actual.size(), expected.size());
}

class LimbTest : public ::testing::Test {
  protected:
    void SetUp() override { gl_double::reset(); }
};

TEST_F(LimbTest, SurfacePointTurnsFromPlusXTowardsMinusYAndRunsAlongPlusZ) {
    const Limb limb(2.0, 1.5);
    EXPECT_EQ(limb.surfacePoint(0.0f, 0.0f), Vec3(2, 0, 0));
    const Vec3 quarter = limb.surfacePoint(0.25f, 1.0f);
    EXPECT_NEAR(quarter.x, 0.0, 1e-5);
    EXPECT_NEAR(quarter.y, -2.0, 1e-9);
    EXPECT_EQ(quarter.z, 1.5);
    // The stored 6.283184 falls about 1.3e-6 short of a full turn.
    EXPECT_NEAR(limb.surfacePoint(1.0f, 0.0f).y, 2 * 1.3071795861522044e-06, 1e-18);
}

TEST_F(LimbTest, FirstQuadOfTheStandardLimbIsExact) {
    Limb limb(0.5, 3.0);
    limb.draw();
    // 0.1f is 0.10000000149011612: the angle is 0.62831840936..., and z is 0.1f times 3 in
    // double precision.
    const double x = 0.40450853285289412, y = -0.29389257705699051, z = 0.30000000447034836;
    const std::vector<Call> firstQuad(gl_double::calls().begin(), gl_double::calls().begin() + 6);
    EXPECT_EQ(firstQuad, (std::vector<Call>{
                             call("glBegin", {GL_QUADS}), call("glNormal3dv", {0.5, 0, 0}),
                             call("glVertex3dv", {0.5, 0, 0}), call("glVertex3dv", {x, y, 0}),
                             call("glVertex3dv", {x, y, z}), call("glVertex3dv", {0.5, 0, z})}));
}

TEST_F(LimbTest, DrawsTenByTenQuadsAtTheSingleStepsThenTheEndSpheres) {
    // The second dimensions have a length that single precision rounds, which moves the far
    // sphere; the third drawing shows that the second left nothing behind.
    for (const auto& [radius, length] :
         std::vector<std::pair<double, double>>{{0.5, 3.0}, {1.3, 7.77}, {0.5, 3.0}}) {
        SCOPED_TRACE(testing::Message() << "radius " << radius << " length " << length);
        gl_double::reset();
        Limb limb(radius, length);
        limb.draw();
        expectSameStream(gl_double::calls(), limbStream(limb));
    }
}

TEST(BallTest, DrawIsExactlyOneSphereOfItsRadius) {
    for (const double radius : {2.0, 0.123456789}) {
        gl_double::reset();
        Ball ball(radius);
        ball.draw();
        EXPECT_EQ(gl_double::calls(),
                  (std::vector<Call>{call("glutSolidSphere", {radius, 10, 5})}));
    }
}

// The capsule that the limb draws, its facets taken as round: along the ray's direction, the
// distance to the side, to an end's sphere, or nothing past them.
TEST_F(LimbTest, HitMeetsTheCapsuleItDraws) {
    const Limb limb(0.5, 3.0);
    // Down -y onto the side, at z = 1: the side's surface at y = 0.5.
    EXPECT_EQ(limb.hit({{0, 10, 1}, {0, -1, 0}}), 9.5);
    // Along -z onto the far end's sphere, about (0, 0, 3).
    EXPECT_EQ(limb.hit({{0, 0, 10}, {0, 0, -1}}), 6.5);
    // Beyond the far end, but within the far sphere: the sphere, not the side.
    const std::optional<double> end = limb.hit({{0, 10, 3.25}, {0, -1, 0}});
    ASSERT_TRUE(end);
    EXPECT_NEAR(*end, 10.0 - std::sqrt(0.25 - 0.0625), 1e-12);
    // Beside it, beyond the spheres, and pointing away.
    EXPECT_FALSE(limb.hit({{0.6, 10, 1}, {0, -1, 0}}));
    EXPECT_FALSE(limb.hit({{0, 10, 3.6}, {0, -1, 0}}));
    EXPECT_FALSE(limb.hit({{0, 10, 1}, {0, 1, 0}}));
    // From inside, the way out.
    EXPECT_EQ(limb.hit({{0, 0, 1}, {0, -1, 0}}), 0.5);
}

TEST(BallTest, HitMeetsTheSphereOfItsRadius) {
    const Ball ball(2.0);
    EXPECT_EQ(ball.hit({{0, 0, 10}, {0, 0, -1}}), 8.0);
    EXPECT_EQ(ball.hit({{0, 0, 10}, {0, 0, -4}}), 2.0);
    EXPECT_FALSE(ball.hit({{2.5, 0, 10}, {0, 0, -1}}));
    EXPECT_FALSE(ball.hit({{0, 0, 10}, {0, 0, 1}}));
}

TEST(SceneNodeHit, APlainNodeDrawsNoShapeAndHitsNothing) {
    const SceneNode group;
    EXPECT_FALSE(group.hit({{0, 0, 10}, {0, 0, -1}}));
    EXPECT_FALSE(group.hit({{0, 0, 0}, {1, 0, 0}}));
}

}  // namespace
