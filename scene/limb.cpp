#include "scene/limb.h"

#include <GL/gl.h>
#include <GL/glut.h>

#include <array>
#include <cmath>
#include <cstddef>

namespace {

// Not quite 2 pi (6.283185307179586): the stored value is the behaviour.
constexpr double fullTurn = 6.283184;

// The surface parameters are stepped in single precision: 0, 0.1, 0.2, 0.30000001, ... and
// last 1.00000012, the first value above 1. Stepping in double would reach 0.9999999999999999
// and add an eleventh strip each way.
constexpr std::size_t parameterCount = 11;

struct ParameterTable {
    std::array<float, parameterCount> value;
    // surfacePoint(value, value) on a limb of radius 1 and length 1: cos and -sin of the angle,
    // and the value itself. Scaling by a limb's radius and length gives that limb's points,
    // to the bit.
    std::array<Vec3, parameterCount> unitPoint;
};

// Every limb draws at the same eleven parameter values, so their points on the unit limb are
// worked out once.
const ParameterTable& parameters() {
    static const ParameterTable table = [] {
        const Limb unit(1.0, 1.0);
        ParameterTable t{};
        float p = 0.0f;
        for (std::size_t i = 0; i < parameterCount; ++i) {
            t.value[i] = p;
            t.unitPoint[i] = unit.surfacePoint(p, p);
            p = static_cast<float>(p + 0.1);
        }
        return t;
    }();
    return table;
}

}  // namespace

Vec3 Limb::surfacePoint(float u, float v) const {
    const double angle = u * fullTurn;
    return {radius * std::cos(angle), -(radius * std::sin(angle)), v * limbLength};
}

void Limb::draw() const {
    const ParameterTable& p = parameters();
    // The table holds the values the loops below step through: u and v run from index 0 while
    // the single-precision value is <= 1.0, which stops them after ten steps.
    glBegin(GL_QUADS);
    for (std::size_t i = 0; p.value[i] <= 1.0f; ++i) {
        const Vec3& around = p.unitPoint[i];
        const Vec3& aroundNext = p.unitPoint[i + 1];
        const double x0 = radius * around.x, y0 = radius * around.y;
        const double x1 = radius * aroundNext.x, y1 = radius * aroundNext.y;
        const Vec3 normal{x0, y0, 0.0};
        for (std::size_t k = 0; p.value[k] <= 1.0f; ++k) {
            const double z0 = p.unitPoint[k].z * limbLength;
            const double z1 = p.unitPoint[k + 1].z * limbLength;
            const Vec3 corners[4] = {{x0, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y0, z1}};
            glNormal3dv(normal.data());
            for (const Vec3& corner : corners) {
                glVertex3dv(corner.data());
            }
        }
    }
    glEnd();

    glutSolidSphere(radius, 10, 5);
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, static_cast<float>(limbLength));
    glutSolidSphere(radius, 10, 5);
    glPopMatrix();
}

std::optional<double> Limb::hit(const Ray& ray) const {
    const Vec3& o = ray.origin;
    const Vec3& d = ray.direction;
    std::optional<double> side =
        nearestRootAhead(d.x * d.x + d.y * d.y, 2.0 * (o.x * d.x + o.y * d.y),
                         o.x * o.x + o.y * o.y - radius * radius);
    if (side) {
        const double z = o.z + *side * d.z;
        if (z < 0.0 || z > limbLength) {
            side.reset();
        }
    }
    return nearerHit(
        side, nearerHit(sphereHit(ray, {}, radius), sphereHit(ray, {0, 0, limbLength}, radius)));
}

SceneNode* Limb::copyAlone() const {
    auto* copy = new Limb(radius, limbLength);
    copy->transform = transform;
    return copy;
}
