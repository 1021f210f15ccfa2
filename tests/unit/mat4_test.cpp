#include "math/mat4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "vec3_expectations.h"

namespace {

constexpr double halfPi = std::numbers::pi / 2.0;

void expectEqual(const Mat4& a, const Mat4& b) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(a.m[i], b.m[i]) << "element " << i;
    }
}

Mat4 sample() {
    Mat4 a;
    for (int i = 0; i < 16; ++i) {
        a.m[i] = 0.5 * i - 3.0 + (i % 3) * 0.25;
    }
    return a;
}

TEST(Mat4, DefaultIsIdentityInColumnMajorOrder) {
    const Mat4 a;
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(a.m[4 * j + i], i == j ? 1.0 : 0.0);
        }
    }
    Mat4 b = sample();
    b.setIdentity();
    expectEqual(b, Mat4());
}

TEST(Mat4, SetColumnSetsWOnlyForTheTranslationColumn) {
    Mat4 a = sample();
    const Mat4 before = a;
    a.setColumn(1, {7, 8, 9});
    EXPECT_EQ(a.m[4], 7.0);
    EXPECT_EQ(a.m[5], 8.0);
    EXPECT_EQ(a.m[6], 9.0);
    EXPECT_EQ(a.m[7], 0.0);
    a.setColumn(3, {1, 2, 3});
    EXPECT_EQ(a.m[12], 1.0);
    EXPECT_EQ(a.m[15], 1.0);
    for (int i : {0, 1, 2, 3, 8, 9, 10, 11}) {
        EXPECT_EQ(a.m[i], before.m[i]) << "element " << i;
    }
}

TEST(Mat4, BuildersOverwriteEverything) {
    Mat4 s = sample();
    s.setScaling({2, 3, 4});
    Mat4 expected;
    expected.m[0] = 2;
    expected.m[5] = 3;
    expected.m[10] = 4;
    expectEqual(s, expected);

    Mat4 t = sample();
    t.setTranslation({5, 6, 7});
    expected = Mat4();
    expected.m[12] = 5;
    expected.m[13] = 6;
    expected.m[14] = 7;
    expectEqual(t, expected);

    Mat4 r1 = sample();
    Mat4 r2;
    r1.setRotation({0.3, -0.2, 0.9}, 0.7);
    r2.setRotation({0.3, -0.2, 0.9}, 0.7);
    expectEqual(r1, r2);
}

TEST(Mat4, RotationIsTheTransposeOfGlRotate) {
    Mat4 r;
    r.setRotation({0, 0, 1}, halfPi);
    EXPECT_NEAR(r.m[1], -1.0, 1e-15);
    EXPECT_NEAR(r.m[4], 1.0, 1e-15);
    expectNear(r.transformPoint({1, 0, 0}), {0, -1, 0});
    expectNear(r.transformPoint({0, 1, 0}), {1, 0, 0});

    r.setRotation({0, 1, 0}, halfPi);
    expectNear(r.transformPoint({1, 0, 0}), {0, 0, 1});
    expectNear(r.transformPoint({0, 0, 1}), {-1, 0, 0});

    // A limb along +z points down after a turn about x by -pi/2, and along -x after the
    // shoulder's two quarter turns.
    r.setRotation({1, 0, 0}, -halfPi);
    expectNear(r.transformPoint({0, 0, 1}), {0, -1, 0});
    Mat4 shoulder;
    Mat4 turn;
    turn.setRotation({0, 0, 1}, halfPi);
    shoulder.premultiply(turn);
    turn.setRotation({0, 1, 0}, halfPi);
    shoulder.premultiply(turn);
    expectNear(shoulder.transformPoint({0, 0, 1}), {-1, 0, 0});
}

TEST(Mat4, RotationEntriesAreAsWritten) {
    const Vec3 axis = Vec3(0.3, -0.2, 0.9).normalized();
    const double angle = 0.7;
    const double x = axis.x, y = axis.y, z = axis.z;
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    Mat4 r;
    r.setRotation({0.3, -0.2, 0.9}, angle);
    const double expected[16] = {t * x * x + c,
                                 t * x * y - z * s,
                                 t * x * z + y * s,
                                 0,
                                 t * x * y + z * s,
                                 t * y * y + c,
                                 t * y * z - x * s,
                                 0,
                                 t * x * z - y * s,
                                 t * y * z + x * s,
                                 t * z * z + c,
                                 0,
                                 0,
                                 0,
                                 0,
                                 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(r.m[i], expected[i]) << "element " << i;
    }
}

TEST(Mat4, RotationAxisLengthDoesNotMatter) {
    Mat4 a, b;
    a.setRotation({0, 0, 2}, 0.4);
    b.setRotation({0, 0, 1}, 0.4);
    expectEqual(a, b);
    // The zero axis stays zero through normalized: the 3x3 block is cos(angle) times identity.
    Mat4 z;
    z.setRotation({0, 0, 0}, 0.4);
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(z.m[4 * j + i], i == j ? std::cos(0.4) : 0.0);
        }
    }
}

TEST(Mat4, ProductsAndIdentity) {
    const Mat4 a = sample();
    expectEqual(a.multiply(Mat4()), a);
    expectEqual(Mat4().multiply(a), a);

    Mat4 t1, t2;
    t1.setTranslation({1, 2, 3});
    t2.setTranslation({10, 20, 30});
    const Vec3 moved = t1.multiply(t2).transformPoint({});
    EXPECT_EQ(moved, Vec3(11, 22, 33));

    Mat4 s;
    s.setScaling({2, 3, 4});
    EXPECT_EQ(s.multiply(t1).transformPoint({}), Vec3(2, 6, 12));
    EXPECT_EQ(t1.multiply(s).transformPoint({}), Vec3(1, 2, 3));
}

TEST(Mat4, ProductIsRowTimesColumn) {
    Mat4 a = sample();
    Mat4 b;
    for (int i = 0; i < 16; ++i) {
        b.m[i] = 1.0 / (i + 1.0);
    }
    const Mat4 p = a.multiply(b);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) {
            const double expected = a.m[i] * b.m[4 * j] + a.m[4 + i] * b.m[4 * j + 1] +
                                    a.m[8 + i] * b.m[4 * j + 2] + a.m[12 + i] * b.m[4 * j + 3];
            EXPECT_EQ(p.m[4 * j + i], expected);
        }
    }
}

TEST(Mat4, PremultiplyActsAfterWhatIsThere) {
    Mat4 a;
    a.setScaling({2, 2, 2});
    Mat4 t;
    t.setTranslation({1, 0, 0});
    a.premultiply(t);  // scale, then move: the origin lands at (1, 0, 0)
    EXPECT_EQ(a.transformPoint({}), Vec3(1, 0, 0));
    EXPECT_EQ(a.transformPoint({1, 0, 0}), Vec3(3, 0, 0));

    // premultiply by itself must read the old value throughout.
    Mat4 b = sample();
    const Mat4 square = b.multiply(b);
    b.premultiply(b);
    expectEqual(b, square);
}

TEST(Mat4, TransformPointIgnoresTheBottomRow) {
    Mat4 a = sample();
    const Vec3 p(0.5, -1.5, 2.0);
    const Vec3 expected = a.transformPoint(p);
    a.m[3] = 9;
    a.m[7] = -9;
    a.m[11] = 4;
    a.m[15] = 0;
    EXPECT_EQ(a.transformPoint(p), expected);
    EXPECT_EQ(a.transformPoint({}), Vec3(a.m[12], a.m[13], a.m[14]));
    EXPECT_EQ(expected.x, a.m[0] * p.x + a.m[4] * p.y + a.m[8] * p.z + a.m[12]);
}

}  // namespace
