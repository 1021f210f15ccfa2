#include "scene/ball.h"

#include <GL/glut.h>

void Ball::draw() const {
    glutSolidSphere(radius, 10, 5);
}
