// Keyboard, mouse and menu commands, and the console texts that go with them.
#include "commands.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>

#include "../core/game_state.h"

namespace {

const char* const helpLines[] = {
    "|******************************************************|\n",
    "|                                                      |\n",
    "|              MENU DE OPCOES                          |\n",
    "|                                                      |\n",
    "|******************************************************|\n",
    "| Tecla :-  Funcao                                     |\n",
    "|                                                      |\n",
    "| A S D :- movimentam a raquete (para canhotos)        |\n",
    "| J K L :- movimentam a raquete (para destros)         |\n",
    "| B :- lanca uma bola                                  |\n",
    "| H :- mostra essa mensagem                            |\n",
    "| N :- inicia um novo jogo                             |\n",
    "| P :- pausa ou continua o jogo                        |\n",
    "| O :- executa o jogo passo-a-passo(com jogo em pausa) |\n",
    "| Q :- sair do jogo                                    |\n",
    "|                                                      |\n",
    "|******************************************************|\n",
};

const char* const stepPrompt = "\nUse a tecla O para passo-a-passo, ou a tecla P para continuar.";

// Whether the left button went down in the game window and has not come up since. The toolkit picks a
// menu entry on the press and then hands the release to the window: without its press, a release is
// not a click of the game's.
bool leftPressedInWindow = false;

}  // namespace

void printHelp() {
    for (const char* line : helpLines) std::fputs(line, stdout);
    std::fflush(stdout);
}

void launchBall() {
    if (game.ballInPlay != 0 || game.ballsLeft <= 0) return;
    game.ballInPlay = 1;
    game.ballsLeft = game.ballsLeft - 1;
    game.ballDirX = +1;
    game.ballDirY = +1;
    game.ballX = game.paddleX;
    game.ballY = restingBallY();
}

// Only from the paused mode; the tick makes the step, pauses again and prints the positions.
void requestStep() {
    if (game.running != 0) return;
    game.stepRequested = 1;
    game.running = 1;
    std::fputs(stepPrompt, stdout);
    std::fflush(stdout);
}

// Pausing always drops an armed step, so (paused, step requested) never occurs.
void togglePause() {
    if (game.running == 1) {
        game.running = 0;
        game.stepRequested = 0;
    } else {
        game.running = 1;
    }
}

// Upper and lower case alike, by ASCII and not by locale, so no other byte can pass for a letter.
void keyboard(unsigned char key, int, int) {
    const int command = (key >= 'a' && key <= 'z') ? key - 'a' + 'A' : key;
    switch (command) {
        case 'A': case 'J': game.paddleDirection = -1; break;
        case 'S': case 'K': game.paddleDirection = 0; break;
        case 'D': case 'L': game.paddleDirection = +1; break;
        case 'B': launchBall(); break;
        case 'H': printHelp(); break;
        case 'N': newGame(); break;
        case 'O': requestStep(); break;
        case 'P': togglePause(); break;
        case 'Q': std::exit(0);
        default: break;
    }
}

// The arrows, which GLUT hands over apart from the characters: the paddle keys and the launch of the letters,
// with the side arrows moving the paddle only while held.
void special(int key, int, int) {
    switch (key) {
        case GLUT_KEY_LEFT: game.paddleDirection = -1; break;
        case GLUT_KEY_RIGHT: game.paddleDirection = +1; break;
        case GLUT_KEY_UP: launchBall(); break;
        case GLUT_KEY_DOWN: game.paddleDirection = 0; break;
        default: break;
    }
}

// Letting go of a side arrow stops the paddle only while it still goes that arrow's way: not once the other
// arrow, a letter or a wall has changed its course. Held, an arrow repeats as freeglut delivers repeats on
// X11, a release and a press together, before any timer fires, so the stop between them never reaches a tick.
void specialUp(int key, int, int) {
    const bool itsWay = (key == GLUT_KEY_LEFT && game.paddleDirection == -1) ||
                        (key == GLUT_KEY_RIGHT && game.paddleDirection == +1);
    if (itsWay) game.paddleDirection = 0;
}

// A step on the release of a left click whose press also reached the window; the right button
// belongs to the menu.
void mouse(int button, int state, int, int) {
    if (button != GLUT_LEFT_BUTTON) return;
    if (state == GLUT_DOWN) {
        leftPressedInWindow = true;
    } else if (state == GLUT_UP) {
        const bool wholeClick = leftPressedInWindow;
        leftPressedInWindow = false;
        if (wholeClick) requestStep();
    }
}

// Every choice that does not quit shows at once, even while paused. The menu took the pointer over, so
// a left press from before it no longer starts a click.
void menu(int value) {
    leftPressedInWindow = false;
    switch (value) {
        case menuTogglePause: togglePause(); break;
        case menuNewGame: newGame(); break;
        case menuQuit: std::exit(0);
        default: break;
    }
    glutPostRedisplay();
}
