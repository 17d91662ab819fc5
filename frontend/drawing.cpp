// The display callback: one whole frame drawn from the game state, and bitmap text.
#include "drawing.h"

#include <GL/glut.h>

#include <cstdio>
#include <cstring>

#include "../core/game_state.h"

namespace {

void fillSquare(double centreX, double centreY) {
    glRectf(static_cast<float>(centreX - ballHalfSize), static_cast<float>(centreY - ballHalfSize),
            static_cast<float>(centreX + ballHalfSize), static_cast<float>(centreY + ballHalfSize));
}

void drawBrick(const Brick& brick) {
    if (brick.alive != 1) return;
    const float left = static_cast<float>(brick.x - brickHalfWidth);
    const float right = static_cast<float>(brick.x + brickHalfWidth);
    const float bottom = static_cast<float>(brick.y - brickHalfHeight);
    const float top = static_cast<float>(brick.y + brickHalfHeight);
    glColor3f(0.86f, 0.62f, 0.51f);
    glRectf(left, bottom, right, top);
    glColor3f(0.0f, 0.0f, 0.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glVertex2f(right, top);
    glVertex2f(left, top);
    glEnd();
}

// The game-over frame is where the record is raised: it is the one rule that lives in drawing.
void drawGameOver() {
    glColor3f(1.0f, 1.0f, 1.0f);
    glRasterPos2f(0.4f, 0.5f);
    drawText(GLUT_BITMAP_HELVETICA_18, "FIM DE JOGO");
    if (game.points > game.record) game.record = game.points;
}

void drawBall() {
    glColor3f(0.25f, 0.25f, 1.0f);
    fillSquare(game.prevBallX, game.prevBallY);
    glColor3f(0.0f, 0.0f, 1.0f);
    fillSquare(game.ballX, game.ballY);
}

// Even rows first, then the shifted odd rows without their dead last cell.
void drawWall() {
    for (int row = 0; row < wallRows; row += 2)
        for (int column = 0; column < wallColumns; ++column) drawBrick(game.bricks[row][column]);
    for (int row = 1; row < wallRows; row += 2)
        for (int column = 0; column < wallColumns - 1; ++column) drawBrick(game.bricks[row][column]);
}

void drawPaddle() {
    const double halfWidth = game.paddleWidth * 0.5;
    const double halfHeight = game.paddleHeight * 0.5;
    glColor3f(1.0f, 1.0f, 0.0f);
    glRectf(static_cast<float>(game.paddleX - halfWidth), static_cast<float>(game.paddleY - halfHeight),
            static_cast<float>(game.paddleX + halfWidth), static_cast<float>(game.paddleY + halfHeight));
}

// The bar's white is still current when the raster position is set, so the status text is white.
void drawBarAndStatus() {
    glColor3f(1.0f, 1.0f, 1.0f);
    glRectf(0.0f, 0.14f, 1.0f, 0.15f);
    glRasterPos2f(0.2f, 0.1f);
    char line[statusLineCapacity];
    formatStatusLine(line);
    drawText(GLUT_BITMAP_HELVETICA_12, line);
}

}  // namespace

void formatStatusLine(char (&line)[statusLineCapacity]) {
    std::snprintf(line, sizeof line, "Bolas: %d    Pontos: %d    Nivel: %d    Recorde: %d", game.ballsLeft,
                  game.points, game.level, game.record);
}

void drawText(void* font, const char* text) {
    const std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < length; ++i) glutBitmapCharacter(font, static_cast<unsigned char>(text[i]));
}

void display() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (game.ballsLeft == 0 && game.ballInPlay == 0) drawGameOver();
    if (game.ballInPlay == 1) drawBall();
    drawWall();
    drawPaddle();
    drawBarAndStatus();
    glutSwapBuffers();
}
