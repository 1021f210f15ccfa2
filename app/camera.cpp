#include "app/camera.h"

#include <GL/glu.h>

constinit Camera camera;

void Camera::lookAt() const {
    gluLookAt(eye.x, eye.y, eye.z, eye.x + direction.x, eye.y + direction.y, eye.z + direction.z,
              up.x, up.y, up.z);
}

void Camera::applyViewpoint(int n) {
    switch (n) {
        case 1:
            eye = {0.0, 0.0, 15.0};
            direction = Vec3(0.0, 0.0, -1.0).normalized();
            up = Vec3(0.0, 1.0, 0.0).normalized();
            break;
        case 2:
            eye = {0.0, 20.0, 0.0};
            direction = Vec3(0.0, -1.0, 0.0).normalized();
            up = Vec3(0.0, 0.0, -1.0).normalized();
            break;
        case 3:
            eye = {15.0, 15.0, 15.0};
            direction = Vec3(-1.0, -1.0, -1.0).normalized();
            up = Vec3(0.0, 1.0, 0.0).normalized();
            break;
        default:
            break;
    }
}

void Camera::applyStartView() {
    eye = {15.0, 15.0, 15.0};
    direction = Vec3(-1.0, -1.0, -1.0).normalized();
}
