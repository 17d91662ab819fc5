// The one record of game state, the brick wall's layout and the two resets: new game and next level.
#pragma once

// One cell of the wall; alive is 1 while the brick stands (every reader tests for exactly 1).
struct Brick {
    int alive;
    double x;
    double y;
};

constexpr int wallRows = 5;
constexpr int wallColumns = 10;
// Rows 1 and 3 are shifted half a brick right, so their last cell would sit on the wall: it is dead.
constexpr int bricksPerLevel = 48;

constexpr double ballHalfSize = 0.01;
constexpr double brickHalfWidth = 0.049;
constexpr double brickHalfHeight = 0.024;

// The whole game. Field order and the values at load are part of the design: the game starts
// running, the record starts at 0, and everything else is set by newGame before it is read.
struct GameState {
    int running = 1;
    int record = 0;
    Brick bricks[wallRows][wallColumns] = {};
    int paddleDirection = 0;
    double paddleX = 0;
    double paddleY = 0;
    double paddleHeight = 0;
    double paddleWidth = 0;
    int ballInPlay = 0;
    int ballsLeft = 0;
    int ballDirY = 0;
    int ballDirX = 0;
    double ballX = 0;
    double ballY = 0;
    double prevBallX = 0;
    double prevBallY = 0;
    double ballSpeed = 0;
    int points = 0;
    int level = 0;
    int stepRequested = 0;
};

extern GameState game;

// Height of the centre of a ball resting on the paddle: its lower edge on the paddle's upper edge.
inline double restingBallY() { return game.paddleHeight * 0.5 + game.paddleY + ballHalfSize; }

void buildWall();
void newGame();
void nextLevel();
