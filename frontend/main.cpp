// Start-up: a new game, the help box, the window and its callbacks, then the toolkit's event loop.
#include <GL/glut.h>

#include <csignal>

#include "../core/game_state.h"
#include "../core/simulation.h"
#include "commands.h"
#include "drawing.h"

namespace {

constexpr unsigned displayMode = GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB;  // 18
constexpr int windowX = 220;
constexpr int windowY = 140;
constexpr int windowWidth = 400;
constexpr int windowHeight = 500;
const char* const windowTitle = "KRT3019  QX4 - ***TORVALE***";

}  // namespace

int main(int argc, char** argv) {
    // A console that goes away (a closed pipe) must not end the game: writes just fail quietly.
#ifdef SIGPIPE  // Windows has no SIGPIPE: a write to a closed pipe just fails there
    std::signal(SIGPIPE, SIG_IGN);
#endif

    newGame();
    printHelp();
    glutInit(&argc, argv);
    glutInitDisplayMode(displayMode);
    glutInitWindowPosition(windowX, windowY);
    glutInitWindowSize(windowWidth, windowHeight);
    glutCreateWindow(windowTitle);
    gluOrtho2D(0.0, 1.0, 0.0, 1.0);  // on the default model-view matrix; nothing else touches them
    glutDisplayFunc(display);
    glutTimerFunc(tickPeriodMs, tick, 0);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(special);
    glutSpecialUpFunc(specialUp);
    glutMouseFunc(mouse);
    glutCreateMenu(menu);
    glutAddMenuEntry("Pausa ou Continua<P>", menuTogglePause);
    glutAddMenuEntry("Novo Jogo<N>", menuNewGame);
    glutAddMenuEntry("Sai do Jogo<Q>", menuQuit);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    glutMainLoop();
    return 0;
}
