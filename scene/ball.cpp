#include "scene/ball.h"

#include <GL/glut.h>

void Ball::draw() const {
    glutSolidSphere(radius, 10, 5);
}

std::optional<double> Ball::hit(const Ray& ray) const {
    return sphereHit(ray, {}, radius);
}

SceneNode* Ball::copyAlone() const {
    auto* copy = new Ball(radius);
    copy->transform = transform;
    return copy;
}
