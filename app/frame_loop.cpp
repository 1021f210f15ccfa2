#include "app/frame_loop.h"

#include <GL/gl.h>
#include <GL/glut.h>

#include "app/camera.h"
#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "scene/tree_walks.h"

bool animating = true;

void toggleAnimation() {
    animating = !animating;
}

void onDisplay() {
    drawFrame();
    glutSwapBuffers();
}

void drawFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera.lookAt();
    drawAxes();
    renderTree((*currentModel)->root);
}

void onIdle() {
    document.apply(Edit::idled(1));
    glutPostRedisplay();
}

void drawAxes() {
    // Lit with whatever normal is current; the white also colours every node drawn after it.
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    glVertex3f(-300.0f, 0.0f, 0.0f);
    glVertex3f(300.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, -300.0f, 0.0f);
    glVertex3f(0.0f, 300.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, -300.0f);
    glVertex3f(0.0f, 0.0f, 300.0f);
    glEnd();
}
