#pragma once

namespace e2e {

struct Point3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Where a camera stands and looks, as handed to gluLookAt: the point looked at is
// eye + direction.
struct CameraPose {
    Point3 eye;
    Point3 direction;
    Point3 up;
};

// A position in window pixels: x to the right, y downwards from the top left corner, so the
// pixel that holds it is (floor(x), floor(y)).
struct PixelPoint {
    double x = 0.0;
    double y = 0.0;
    int column() const;
    int row() const;
};

// Where a world point lands in a square window of `size` pixels under a perspective
// projection of vertical field of view `fieldOfViewDegrees` and aspect ratio 1, seen from
// `camera`: the mapping gluPerspective, gluLookAt and the default viewport make. Worked out
// independently of the viewer, to predict where its shapes must appear.
PixelPoint project(const CameraPose& camera, const Point3& world, int size,
                   double fieldOfViewDegrees);

}  // namespace e2e
