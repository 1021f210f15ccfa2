// Every GL, GLU and GLUT entry point the viewer calls, each doing nothing. Linked in place of
// the real libraries, it leaves only the viewer's own work to be timed: what a frame costs
// beyond these empty calls is spent in our code. The few entry points that hand back a value
// hand back zeros, so nothing reads an unset value.

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

// OpenGL

void glEnable(GLenum) {}
void glMatrixMode(GLenum) {}
void glLoadIdentity() {}
void glPushMatrix() {}
void glPopMatrix() {}
void glMultMatrixd(const GLdouble*) {}
void glLoadMatrixd(const GLdouble*) {}
void glTranslatef(GLfloat, GLfloat, GLfloat) {}
void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void glClear(GLbitfield) {}
void glLightfv(GLenum, GLenum, const GLfloat*) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glLineWidth(GLfloat) {}
void glBegin(GLenum) {}
void glEnd() {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
void glVertex3dv(const GLdouble*) {}
void glNormal3dv(const GLdouble*) {}

void glGetIntegerv(GLenum, GLint* params) {
    *params = 0;
}

void glGetDoublev(GLenum, GLdouble* params) {
    for (int i = 0; i < 16; ++i) {
        params[i] = 0.0;
    }
}

// GLU

void gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}
void gluLookAt(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble,
               GLdouble) {}

// GLUT

void glutInit(int*, char**) {}
void glutInitDisplayMode(unsigned int) {}
void glutInitWindowSize(int, int) {}
void glutInitWindowPosition(int, int) {}
void glutInitErrorFunc(void (*)(const char*, va_list)) {}
int glutCreateWindow(const char*) {
    return 1;
}
void glutDisplayFunc(void (*)()) {}
void glutKeyboardFunc(void (*)(unsigned char, int, int)) {}
void glutIdleFunc(void (*)()) {}
void glutMainLoop() {}
void glutSwapBuffers() {}
void glutPostRedisplay() {}
void glutSolidSphere(double, GLint, GLint) {}
