#include "scene/ball.h"

#include <GL/glut.h>

void Ball::draw() const {
    glutSolidSphere(radius, 10, 5);
}

std::optional<double> Ball::hit(const Ray& ray) const {
    return sphereHit(ray, {}, radius);
}
