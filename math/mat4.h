#pragma once

#include <cmath>
#include <type_traits>

#include "math/vec3.h"

// A 4x4 transform in OpenGL's column-major order: row i, column j is m[4j + i], and the
// translation lies in m[12], m[13], m[14]. Matrices act on column vectors, so in A.multiply(B)
// B acts first. The sixteen doubles go to glMultMatrixd as they are.
struct Mat4 {
    double m[16];

    constexpr Mat4() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}

    const double* data() const { return m; }

    void setIdentity() { *this = Mat4(); }

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
};

static_assert(sizeof(Mat4) == 16 * sizeof(double));
static_assert(std::is_standard_layout_v<Mat4> && std::is_trivially_copyable_v<Mat4>);
