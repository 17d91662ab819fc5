// Draws the shapes on standard input with this machine's GL, in the game's window and projection, and writes
// the pixels out: the reference for web/canvas_gl.js. A line of input is "rect r g b x1 y1 x2 y2" (glRectf)
// or "line r g b x1 y1 x2 y2" (GL_LINES); the output is RGB, the bottom row first, as glReadPixels reads it.
#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int windowWidth = 400;
constexpr int windowHeight = 500;
unsigned char pixels[windowWidth * windowHeight * 3];

void drawShapes() {
    glClear(GL_COLOR_BUFFER_BIT);
    char kind[8];
    float red, green, blue, x1, y1, x2, y2;
    while (std::scanf("%7s %f %f %f %f %f %f %f", kind, &red, &green, &blue, &x1, &y1, &x2, &y2) == 8) {
        glColor3f(red, green, blue);
        if (std::strcmp(kind, "rect") == 0) {
            glRectf(x1, y1, x2, y2);
            continue;
        }
        glBegin(GL_LINES);
        glVertex2f(x1, y1);
        glVertex2f(x2, y2);
        glEnd();
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, windowWidth, windowHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    std::fwrite(pixels, 1, sizeof pixels, stdout);
    std::exit(std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE);
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow("gl_reference");
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);
    glutDisplayFunc(drawShapes);
    glutMainLoop();
}
