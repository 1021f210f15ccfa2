#include "app/startup.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>

#include <cstdio>
#include <optional>
#include <string>

#include "app/frame_loop.h"
#include "app/keyboard.h"
#include "app/leak_check.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "app/platform.h"

namespace {

constexpr const char* windowTitle =
    "(1 / 2 / 3) - Viewpoints.  (+ / -) - Recursion depth.  Any other key - next model";

}  // namespace

void startViewer(int* argc, char** argv) {
    if (const std::optional<std::string> problem = windowRoomProblem()) {
        std::fprintf(stderr, "%s; the viewer ends\n", problem->c_str());
        endViewer(1);
    }
    openWindow(argc, argv);
    buildScene();
    runFrameLoop();
}

void openWindow(int* argc, char** argv, const char* cannotOpen) {
    keepFrameMemory();
    endOnWindowSystemError(cannotOpen);
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 800);
    glutInitWindowPosition(100, 100);
    glutCreateWindow(windowTitle);
    endOnWindowSystemError(nullptr);
    reserveForDriverDrawing();

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0.2f, 0.2f, 0.7f, 1.0f);

    // A directional light from eye-space +z, given while the modelview matrix is still the
    // identity, so it stays fixed to the viewer whichever viewpoint is chosen.
    const GLfloat ambient[] = {0.3f, 0.3f, 0.3f, 1.0f};
    const GLfloat diffuse[] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat position[] = {0.0f, 0.0f, 10.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);

    glutDisplayFunc(onDisplay);
    glutKeyboardFunc(onKeyboard);
    glutIdleFunc(onIdle);

    // After the GL driver is loaded, so the leak check can see what it holds.
    prepareLeakCheck();
}
