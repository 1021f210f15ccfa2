#include "scene/ball.h"

#include <GL/glut.h>

void Ball::draw() {
    glutSolidSphere(radius, 10, 5);
}
