// The yardstick for torvale: the same window, menu and 20 ms timer, drawing nothing but a clear.
#include <GL/glut.h>

#include <cstdlib>

namespace {

constexpr unsigned tickPeriodMs = 20;

void display() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
}

// Re-armed at its end like the game's tick, so both chains drift by the same callback latency.
void tick(int) {
    glutPostRedisplay();
    glutTimerFunc(tickPeriodMs, tick, 0);
}

void menu(int value) {
    if (value == 10) std::exit(0);
    glutPostRedisplay();
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB);
    glutInitWindowPosition(220, 140);
    glutInitWindowSize(400, 500);
    glutCreateWindow("torvale baseline");
    glutDisplayFunc(display);
    glutTimerFunc(tickPeriodMs, tick, 0);
    glutCreateMenu(menu);
    glutAddMenuEntry("Pausa ou Continua<P>", 1);
    glutAddMenuEntry("Novo Jogo<N>", 2);
    glutAddMenuEntry("Sai do Jogo<Q>", 10);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    glutMainLoop();
    return 0;
}
