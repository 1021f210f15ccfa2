// The GLUT calls that the viewer's code makes and scene-export reaches, for a program without
// a window: nothing is shown, so a redisplay asked for and a buffer swap do nothing, there is
// no main loop to enter (scene-export never asks for one) and no window to fail to open.
#include <GL/glut.h>

#include <cstdarg>

extern "C" {

void glutPostRedisplay() {}

void glutSwapBuffers() {}

void glutMainLoop() {}

// freeglut's (GL/freeglut_ext.h), which the web build's GLUT does not have.
void glutInitErrorFunc(void (*)(const char*, va_list)) {}

}  // extern "C"
