// A do-nothing GL and GLUT for the calls the game makes while running: its own work, without a driver.
#include <GL/glut.h>

// The fonts are only compared and passed on, never read: any distinct addresses will do.
void* glutBitmapHelvetica12;
void* glutBitmapHelvetica18;

void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void glClear(GLbitfield) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glRectf(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glBegin(GLenum) {}
void glVertex2f(GLfloat, GLfloat) {}
void glEnd() {}
void glRasterPos2f(GLfloat, GLfloat) {}

void glutTimerFunc(unsigned, void (*)(int), int) {}
void glutPostRedisplay() {}
void glutSwapBuffers() {}
void glutBitmapCharacter(void*, int) {}
