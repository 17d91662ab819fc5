// The 20 ms simulation tick: level rule, paddle and ball motion, bounces, brick hits and single steps.
#include "simulation.h"

#include <GL/glut.h>

#include <cstdio>

#include "game_state.h"

namespace {

constexpr double paddleStep = 0.01;
constexpr double leftWall = 0.0;
constexpr double rightWall = 1.0;
constexpr double topWall = 1.0;
constexpr double brickZoneBottom = 0.7;
// Kept as the double sum, 0.059000000000000004, a hair wider than 0.059: it decides edge touches.
constexpr double horizontalHitWindow = ballHalfSize + brickHalfWidth;
constexpr double verticalHitWindow = 0.034;

void movePaddle() {
    if (game.paddleDirection == -1) {
        if (game.paddleWidth * 0.5 >= game.paddleX)
            game.paddleDirection = 0;
        else
            game.paddleX = game.paddleX - paddleStep;
    } else if (game.paddleDirection == +1) {
        if (rightWall - game.paddleWidth * 0.5 <= game.paddleX)
            game.paddleDirection = 0;
        else
            game.paddleX = game.paddleX + paddleStep;
    }
}

// The narrowing to float before the absolute value is deliberate: it decides touches at the edge.
bool touches(const Brick& brick) {
    return floatAbs(static_cast<float>(brick.x - game.ballX)) <= horizontalHitWindow &&
           floatAbs(static_cast<float>(brick.y - game.ballY)) <= verticalHitWindow;
}

// Returns whether the brick was hit; the side is judged by where the ball's centre was before.
bool hitBrick(Brick& brick) {
    if (brick.x - brickHalfWidth < game.prevBallX && game.prevBallX < brick.x + brickHalfWidth) {
        game.ballDirY = -game.ballDirY;
    } else if (brick.y - brickHalfHeight < game.prevBallY &&
               game.prevBallY < brick.y + brickHalfHeight) {
        game.ballDirX = -game.ballDirX;
    } else {
        return false;  // came in past a corner: no hit this tick
    }
    brick.alive = 0;
    game.points = game.points + 1;
    return true;
}

// At most one brick per row: the lowest qualifying column wins, then the next row is scanned.
void hitBricks() {
    for (int row = 0; row < wallRows; ++row) {
        for (int column = 0; column < wallColumns; ++column) {
            Brick& brick = game.bricks[row][column];
            if (brick.alive == 1 && touches(brick) && hitBrick(brick)) break;
        }
    }
}

void moveBall() {
    game.prevBallX = game.ballX;
    game.prevBallY = game.ballY;
    game.ballX = game.ballDirX * game.ballSpeed + game.ballX;
    game.ballY = game.ballDirY * game.ballSpeed + game.ballY;

    if (game.ballX - ballHalfSize <= leftWall || game.ballX + ballHalfSize >= rightWall)
        game.ballDirX = -game.ballDirX;
    if (game.ballY + ballHalfSize >= topWall) game.ballDirY = -game.ballDirY;

    // The upper bound is the full paddle height above its centre line, and there is no lower one.
    if (game.ballY - ballHalfSize <= game.paddleY + game.paddleHeight &&
        game.ballX - ballHalfSize <= game.paddleX + game.paddleWidth * 0.5 &&
        game.ballX + ballHalfSize >= game.paddleX - game.paddleWidth * 0.5)
        game.ballDirY = +1;

    if (game.ballY < game.paddleY) {
        game.ballInPlay = 0;
        game.ballY = restingBallY();
    }

    if (game.ballY >= brickZoneBottom) hitBricks();
}

void printPositions() {
    std::printf("\n Posicoes -  raquete = [ %.2f,   %.2f]      bola = [ %.2f,   %.2f] ", game.paddleX,
                game.paddleY, game.ballX, game.ballY);
    std::fflush(stdout);
}

}  // namespace

float floatAbs(float v) { return v < 0.0f ? -v : v; }

void tick(int) {
    // Before the run test, so a wall cleared by a single step is replaced even while paused. The product is
    // taken in 64 bits: past level 44739242 it no longer fits an int.
    if (static_cast<long long>(game.level) * bricksPerLevel == game.points) nextLevel();

    if (game.running == 1) {
        movePaddle();
        if (game.ballInPlay == 1)
            moveBall();
        else
            game.ballX = game.paddleX;
        glutPostRedisplay();
    }

    if (game.stepRequested == 1) {
        game.running = 0;
        printPositions();
        game.stepRequested = 0;
    }

    glutTimerFunc(tickPeriodMs, tick, 0);
}
