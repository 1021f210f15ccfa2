#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>

#include "math/vec3.h"

// A 4x4 transform in OpenGL's column-major order: row i, column j is m[4j + i], and the
// translation lies in m[12], m[13], m[14]. Matrices act on column vectors, so in A.multiply(B)
// B acts first. The sixteen doubles go to glMultMatrixd as they are.
struct Mat4 {
    double m[16];

    constexpr Mat4() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}

    const double* data() const { return m; }

    void setIdentity() { *this = Mat4(); }

    // Equal in every element (so -0 equals 0, and a NaN equals nothing).
    bool operator==(const Mat4&) const = default;

    // Column 3 gets w = 1, the others w = 0.
    void setColumn(int j, const Vec3& v) {
        double* column = m + 4 * j;
        column[0] = v.x;
        column[1] = v.y;
        column[2] = v.z;
        column[3] = j == 3 ? 1.0 : 0.0;
    }

    void setScaling(const Vec3& v) {
        setIdentity();
        m[0] = v.x;
        m[5] = v.y;
        m[10] = v.z;
    }

    void setTranslation(const Vec3& v) {
        setIdentity();
        setColumn(3, v);
    }

    // The transpose of glRotated's matrix for the same axis and angle: points turn by -angle
    // about the axis (clockwise when the axis points at the viewer). Every turn in the models
    // takes its sense from this.
    void setRotation(const Vec3& axis, double angle) {
        const Vec3 a = axis.normalized();
        const double x = a.x, y = a.y, z = a.z;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        const double t = 1.0 - c;
        m[0] = t * x * x + c;
        m[1] = t * x * y - z * s;
        m[2] = t * x * z + y * s;
        m[3] = 0.0;
        m[4] = t * x * y + z * s;
        m[5] = t * y * y + c;
        m[6] = t * y * z - x * s;
        m[7] = 0.0;
        m[8] = t * x * z - y * s;
        m[9] = t * y * z + x * s;
        m[10] = t * z * z + c;
        m[11] = 0.0;
        m[12] = 0.0;
        m[13] = 0.0;
        m[14] = 0.0;
        m[15] = 1.0;
    }

    // this x b, formed in a temporary so that the result may replace either operand.
    Mat4 multiply(const Mat4& b) const {
        Mat4 product;
        for (int j = 0; j < 4; ++j) {
            const double* column = b.m + 4 * j;
            for (int i = 0; i < 4; ++i) {
                product.m[4 * j + i] = m[i] * column[0] + m[4 + i] * column[1] +
                                       m[8 + i] * column[2] + m[12 + i] * column[3];
            }
        }
        return product;
    }

    // this := op x this: op acts after everything already in the matrix.
    void premultiply(const Mat4& op) { *this = op.multiply(*this); }

    // Maps p as the point (p, 1). The bottom row is not read and nothing is divided by w.
    Vec3 transformPoint(const Vec3& p) const {
        return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
                m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
    }

    // Maps d as the direction (d, 0): the upper 3 x 3 alone, summed as transformPoint sums.
    Vec3 transformDirection(const Vec3& d) const {
        return {m[0] * d.x + m[4] * d.y + m[8] * d.z, m[1] * d.x + m[5] * d.y + m[9] * d.z,
                m[2] * d.x + m[6] * d.y + m[10] * d.z};
    }

    // Maps p as the point (p, 1) through all four rows and divides by the fourth, w: where a
    // projection (or its inverse) takes p. The first three are transformPoint's to the bit
    // before the division. Nothing when w is 0.
    std::optional<Vec3> projectPoint(const Vec3& p) const {
        const double w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
        if (w == 0.0) {
            return std::nullopt;
        }
        const Vec3 q = transformPoint(p);
        return Vec3{q.x / w, q.y / w, q.z / w};
    }

    // The inverse, by Gauss-Jordan elimination with partial pivoting on the rows of [this | I];
    // nothing when a pivot is smaller in size than 1e-300 (the matrix is singular, or nearly).
    std::optional<Mat4> inverse() const {
        double a[4][8];
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                a[i][j] = m[4 * j + i];
                a[i][4 + j] = i == j ? 1.0 : 0.0;
            }
        }
        for (int column = 0; column < 4; ++column) {
            int pivot = column;
            for (int row = column + 1; row < 4; ++row) {
                if (std::fabs(a[row][column]) > std::fabs(a[pivot][column])) {
                    pivot = row;
                }
            }
            if (std::fabs(a[pivot][column]) < 1e-300) {
                return std::nullopt;
            }
            if (pivot != column) {
                for (int j = 0; j < 8; ++j) {
                    std::swap(a[pivot][j], a[column][j]);
                }
            }
            const double scale = 1.0 / a[column][column];
            for (int j = 0; j < 8; ++j) {
                a[column][j] *= scale;
            }
            for (int row = 0; row < 4; ++row) {
                if (row != column && a[row][column] != 0.0) {
                    const double factor = a[row][column];
                    for (int j = 0; j < 8; ++j) {
                        a[row][j] -= factor * a[column][j];
                    }
                }
            }
        }
        Mat4 result;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                result.m[4 * j + i] = a[i][4 + j];
            }
        }
        return result;
    }
};

// transformPoint in single precision, for the float matrices that the GL layer keeps
// (column-major, as libraries/gl_subset holds them): (x, y, z, 1) through all four rows, each
// summed from the left in float as GL sums it, nothing divided by w. The browser takes all four
// as clip coordinates (of a vertex, or of a corner of a box that may be out of view);
// scene-export takes the first three as a vertex's position in the node's frame.
inline std::array<float, 4> transformPointSingle(std::span<const float, 16> m, float x, float y,
                                                 float z) {
    std::array<float, 4> out{};
    for (std::size_t i = 0; i < 4; ++i) {
        out[i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
    }
    return out;
}

// Maps the direction (x, y, z, 0) by m's upper 3 x 3 (column-major floats), summed as
// transformPointSingle sums: where a light's direction goes by the modelview matrix.
inline std::array<float, 3> transformDirectionSingle(std::span<const float, 16> m, float x, float y,
                                                     float z) {
    std::array<float, 3> out{};
    for (std::size_t i = 0; i < 3; ++i) {
        out[i] = m[i] * x + m[4 + i] * y + m[8 + i] * z;
    }
    return out;
}

// The normal n as a row vector times the 3 x 3 matrix `rows` (row-major floats, such as the
// inverse of a modelview matrix's upper 3 x 3): the normal in eye space, with the length it had.
inline std::array<float, 3> rowTimesMatrixSingle(std::span<const float, 3> n,
                                                 std::span<const float, 9> rows) {
    std::array<float, 3> out{};
    for (std::size_t i = 0; i < 3; ++i) {
        out[i] = n[0] * rows[i] + n[1] * rows[3 + i] + n[2] * rows[6 + i];
    }
    return out;
}

static_assert(sizeof(Mat4) == 16 * sizeof(double));
static_assert(std::is_standard_layout_v<Mat4> && std::is_trivially_copyable_v<Mat4>);
