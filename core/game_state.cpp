// The game's single state record and the resets that start a game and advance a level.
#include "game_state.h"

GameState game;

void buildWall() {
    for (int row = 0; row < wallRows; ++row) {
        for (int column = 0; column < wallColumns; ++column) {
            Brick& brick = game.bricks[row][column];
            brick.alive = 1;
            brick.x = column * 0.1 + 0.05 + (row % 2) * 0.05;
            brick.y = 1.0 - row * 0.05 - 0.025;
        }
    }
    game.bricks[1][9].alive = 0;
    game.bricks[3][9].alive = 0;
}

static void putBallAtRest() {
    game.ballInPlay = 0;
    game.ballDirX = +1;
    game.ballDirY = +1;
    game.ballX = game.paddleX;
    game.ballY = restingBallY();
}

// Leaves running, record and the previous ball position alone: a paused game stays paused and the
// record lasts the whole run.
void newGame() {
    buildWall();
    game.paddleDirection = 0;
    game.paddleX = 0.45;
    game.paddleY = 0.2;
    game.paddleHeight = 0.005;
    game.paddleWidth = 0.15;
    game.ballsLeft = 5;
    putBallAtRest();
    game.ballSpeed = 0.006;
    game.points = 0;
    game.level = 1;
    game.stepRequested = 0;
}

// Points carry over and the paddle keeps its direction; a ball in flight goes back to rest.
void nextLevel() {
    game.level = game.level + 1;
    game.ballsLeft = game.ballsLeft + 1;
    game.ballSpeed = 1.1 * game.ballSpeed;
    buildWall();
    game.paddleX = 0.45;
    game.paddleY = 0.2;
    putBallAtRest();
    game.paddleWidth = 0.95 * game.paddleWidth;
}
