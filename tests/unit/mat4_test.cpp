#include "math/mat4.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <optional>

#include "vec3_expectations.h"

namespace {

constexpr double halfPi = std::numbers::pi / 2.0;

// A matrix written as it reads on paper, row by row.
Mat4 fromRows(const double (&rows)[4][4]) {
    Mat4 a;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            a.m[4 * j + i] = rows[i][j];
        }
    }
    return a;
}

void expectEqual(const Mat4& a, const Mat4& b) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(a.m[i], b.m[i]) << "element " << i;
    }
}

// No element is 0 or 1, so every overwritten or kept element shows.
Mat4 sample() {
    return fromRows({{2, 3, 5, 7}, {11, 13, 17, 19}, {23, 29, 31, 37}, {41, 43, 47, 53}});
}

TEST(Mat4, DefaultIsIdentityAndTheTranslationIsTheLastColumn) {
    expectEqual(Mat4(), fromRows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}));
    Mat4 a = sample();
    a.setIdentity();
    expectEqual(a, Mat4());
    Mat4 t = sample();
    t.setTranslation({5, 6, 7});
    expectEqual(t, fromRows({{1, 0, 0, 5}, {0, 1, 0, 6}, {0, 0, 1, 7}, {0, 0, 0, 1}}));
    Mat4 s = sample();
    s.setScaling({2, 3, 4});
    expectEqual(s, fromRows({{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 0, 0, 1}}));
}

TEST(Mat4, SetColumnSetsWOnlyForTheTranslationColumn) {
    Mat4 a = sample();
    a.setColumn(1, {-1, -2, -3});
    a.setColumn(3, {-4, -5, -6});
    expectEqual(a, fromRows({{2, -1, 5, -4}, {11, -2, 17, -5}, {23, -3, 31, -6}, {41, 0, 47, 1}}));
}

// Points turn by minus the angle under the right-hand rule: the transpose of glRotated.
TEST(Mat4, RotationTurnsTheOtherWayRoundFromGlRotate) {
    Mat4 r = sample();
    r.setRotation({0, 0, 1}, halfPi);
    EXPECT_NEAR(r.m[1], -1.0, 1e-15);
    EXPECT_NEAR(r.m[4], 1.0, 1e-15);
    expectNear(r.transformPoint({1, 0, 0}), {0, -1, 0});
    expectNear(r.transformPoint({0, 1, 0}), {1, 0, 0});

    r.setRotation({0, 1, 0}, halfPi);
    expectNear(r.transformPoint({1, 0, 0}), {0, 0, 1});
    expectNear(r.transformPoint({0, 0, 1}), {-1, 0, 0});

    // About the diagonal a third of a turn permutes the axes: x to z, z to y, y to x.
    r.setRotation({1, 1, 1}, 2 * std::numbers::pi / 3);
    expectNear(r.transformPoint({1, 0, 0}), {0, 0, 1});
    expectNear(r.transformPoint({0, 0, 1}), {0, 1, 0});
    expectNear(r.transformPoint({0, 1, 0}), {1, 0, 0});

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

// The matrix goes to glMultMatrixd as it is, so its last bits are part of every frame. For
// this axis and angle every product of the matrix rounds differently if its factors are
// grouped otherwise than from the left.
TEST(Mat4, RotationAboutAnOddAxisIsExactToTheBit) {
    Mat4 r = sample();
    r.setRotation({0.4, 0.5, -0.1}, 2.8);
    expectEqual(r, fromRows({{-0.20232811565202646, 0.87317798750412901, -0.44342252508746, 0},
                             {0.97655757503744978, 0.21386238591982853, -0.024457770251055666, 0},
                             {0.073475412579144195, -0.43797612038433903, -0.89597895160511865, 0},
                             {0, 0, 0, 1}}));
}

TEST(Mat4, RotationAxisLengthDoesNotMatter) {
    Mat4 a, b;
    a.setRotation({0, 0, 2}, 0.4);
    b.setRotation({0, 0, 1}, 0.4);
    expectEqual(a, b);
    // The zero axis stays zero through normalized: the 3x3 block is cos(angle) times identity.
    Mat4 z;
    z.setRotation({0, 0, 0}, 0.4);
    const double c = std::cos(0.4);
    expectEqual(z, fromRows({{c, 0, 0, 0}, {0, c, 0, 0}, {0, 0, c, 0}, {0, 0, 0, 1}}));
}

TEST(Mat4, ProductIsRowsTimesColumns) {
    const Mat4 a = fromRows({{2, 0, 1, 3}, {1, -1, 0, 2}, {0, 4, 1, -2}, {0, 0, 0, 1}});
    const Mat4 b = fromRows({{1, 2, 0, -1}, {0, 1, 3, 2}, {-2, 0, 1, 1}, {0, 0, 0, 1}});
    expectEqual(a.multiply(b),
                fromRows({{0, 4, 1, 2}, {1, 1, -3, -1}, {-2, 4, 13, 7}, {0, 0, 0, 1}}));
    expectEqual(a.multiply(Mat4()), a);
    expectEqual(Mat4().multiply(a), a);

    Mat4 t1, t2, s;
    t1.setTranslation({1, 2, 3});
    t2.setTranslation({10, 20, 30});
    s.setScaling({2, 3, 4});
    EXPECT_EQ(t1.multiply(t2).transformPoint({}), Vec3(11, 22, 33));
    EXPECT_EQ(s.multiply(t1).transformPoint({}), Vec3(2, 6, 12));
    EXPECT_EQ(t1.multiply(s).transformPoint({}), Vec3(1, 2, 3));
}

TEST(Mat4, ProductAddsItsFourTermsInOrder) {
    // 1e16 + 1 rounds back to 1e16, so only the order k = 0, 1, 2, 3 ends at 1; summing the
    // other way round, or in pairs, gives 0.
    const Mat4 a = fromRows({{1e16, 1, -1e16, 1}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    const Mat4 ones = fromRows({{1, 0, 0, 0}, {1, 1, 0, 0}, {1, 0, 1, 0}, {1, 0, 0, 1}});
    EXPECT_EQ(a.multiply(ones).m[0], 1.0);
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
    const Mat4 a = fromRows({{2, 0, 1, 3}, {1, -1, 0, 2}, {0, 4, 1, -2}, {9, -9, 4, 0}});
    EXPECT_EQ(a.transformPoint({1, 2, 3}), Vec3(8, 1, 9));
    EXPECT_EQ(a.transformPoint({}), Vec3(3, 2, -2));
}

TEST(Mat4, TransformDirectionLeavesOutTheTranslation) {
    const Mat4 a = fromRows({{2, 0, 1, 3}, {1, -1, 0, 2}, {0, 4, 1, -2}, {9, -9, 4, 0}});
    EXPECT_EQ(a.transformDirection({1, 2, 3}), Vec3(5, -1, 11));
    EXPECT_EQ(a.transformDirection({}), Vec3());
    // Summed x, y, z in turn: 1e16 + 1 + 1 loses both ones.
    const Mat4 b = fromRows({{1e16, 1, 1, 5}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    EXPECT_EQ(b.transformDirection({1, 1, 1}).x, 1e16);
}

// The picture's ray is the inverse projection's: through all four rows, then divided by w.
TEST(Mat4, ProjectPointDividesByTheFourthRow) {
    const Mat4 a = fromRows({{2, 0, 1, 3}, {1, -1, 0, 2}, {0, 4, 1, -2}, {0, 0, 1, 1}});
    const std::optional<Vec3> p = a.projectPoint({1, 2, 3});
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, Vec3(8.0 / 4, 1.0 / 4, 9.0 / 4));
    // Before the division, the first three are transformPoint's to the bit.
    const Mat4 s = sample();
    const Vec3 q{0.1, -0.7, 0.3};
    const Vec3 t = s.transformPoint(q);
    const double w = s.m[3] * q.x + s.m[7] * q.y + s.m[11] * q.z + s.m[15];
    EXPECT_EQ(*s.projectPoint(q), Vec3(t.x / w, t.y / w, t.z / w));
    // A point that w takes to 0 has no image.
    EXPECT_FALSE(a.projectPoint({0, 0, -1}));
}

TEST(Mat4, InverseUndoesTheMatrix) {
    Mat4 m;
    m.setRotation({0.4, 0.5, -0.1}, 2.8);
    Mat4 moved;
    moved.setTranslation({1, -2, 3});
    Mat4 scaled;
    scaled.setScaling({0.5, 2, 4});
    m = moved.multiply(m).multiply(scaled);
    const std::optional<Mat4> inverse = m.inverse();
    ASSERT_TRUE(inverse);
    const Mat4 product = m.multiply(*inverse);
    const Mat4 identity;
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(product.m[i], identity.m[i], 1e-14) << "element " << i;
    }
    // Exact where the arithmetic is: a translation and a scaling by powers of two.
    const Mat4 exact = moved.multiply(scaled);
    Mat4 back;
    back.setScaling({2, 0.5, 0.25});
    Mat4 undo;
    undo.setTranslation({-1, 2, -3});
    expectEqual(*exact.inverse(), back.multiply(undo));
}

// A zero on the diagonal needs another row as its pivot: a permutation of the axes inverts
// into its transpose.
TEST(Mat4, InversePivotsPastAZeroOnTheDiagonal) {
    const Mat4 turn = fromRows({{0, 1, 0, 0}, {0, 0, 1, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}});
    const std::optional<Mat4> inverse = turn.inverse();
    ASSERT_TRUE(inverse);
    expectEqual(*inverse, fromRows({{0, 0, 1, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0, 1}}));
}

TEST(Mat4, NoInverseOfASingularMatrix) {
    Mat4 flat;
    flat.m[10] = 0.0;
    EXPECT_FALSE(flat.inverse());
    EXPECT_FALSE(fromRows({{1, 2, 3, 4}, {2, 4, 6, 8}, {0, 0, 1, 0}, {0, 0, 0, 1}}).inverse());
    Mat4 tiny;
    tiny.setScaling({1e-301, 1, 1});
    EXPECT_FALSE(tiny.inverse());
}

// GL's matrices are single precision: the point goes through all four rows in float.
TEST(Mat4, TransformPointSingleSumsInFloatThroughAllFourRows) {
    const std::array<float, 16> m{2, 1, 0, 0, 0, -1, 4, 0, 1, 0, 1, 1, 3, 2, -2, 1};
    EXPECT_EQ(transformPointSingle(m, 1, 2, 3), (std::array<float, 4>{8, 1, 9, 4}));
    // Summed in float from the left, 1e8 + 3 rounds back to 1e8, twice; summed in double,
    // 1e8 + 6 would round to the float 1e8 + 8.
    const std::array<float, 16> big{1e8f, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(transformPointSingle(big, 1, 1, 1)[0], 1e8f);
    EXPECT_EQ(static_cast<float>(1e8 + 3.0 + 3.0), 1e8f + 8.0f);
}

// A direction takes the upper 3 x 3 alone, by columns; a normal goes as a row vector through a
// row-major 3 x 3 (the lighting's inverse), which is that matrix's transpose acting on it.
TEST(Mat4, DirectionsAndNormalsTakeTheUpperThreeByThreeTheirOwnWay) {
    const std::array<float, 16> m{2, 1, 0, 0, 0, -1, 4, 0, 1, 0, 1, 1, 3, 2, -2, 1};
    EXPECT_EQ(transformDirectionSingle(m, 1, 2, 3), (std::array<float, 3>{5, -1, 11}));
    const std::array<float, 9> rows{1, 2, 3, 0, 1, 0, 0, 0, 2};
    const std::array<float, 3> n{1, 1, 1};
    EXPECT_EQ(rowTimesMatrixSingle(n, rows), (std::array<float, 3>{1, 3, 5}));
}

}  // namespace
