// The GLUT calls that the viewer's code makes and scene-export reaches, for a program without
// a window: nothing is shown, so a redisplay asked for and a buffer swap do nothing, and there
// is no main loop to enter (scene-export never asks for one).
#include <GL/glut.h>

extern "C" {

void glutPostRedisplay() {}

void glutSwapBuffers() {}

void glutMainLoop() {}

}  // extern "C"
