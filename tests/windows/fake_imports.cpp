// The import pointers through which the game calls GL and GLU on Windows, aimed at the fake toolkit.
// The game's library is compiled as shipped, so its calls go through __imp_NAME (opengl32's and glu32's
// import slots); the linker fills those only from import libraries, which the unit tests do not link.
#include <GL/glut.h>

#define FAKE_IMPORT(name) extern "C" { extern decltype(&name) const __imp_##name = &name; }

FAKE_IMPORT(glClearColor)
FAKE_IMPORT(glClear)
FAKE_IMPORT(glColor3f)
FAKE_IMPORT(glRectf)
FAKE_IMPORT(glBegin)
FAKE_IMPORT(glVertex2f)
FAKE_IMPORT(glEnd)
FAKE_IMPORT(glRasterPos2f)
FAKE_IMPORT(gluOrtho2D)
