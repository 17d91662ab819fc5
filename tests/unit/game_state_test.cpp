// New game, next level and the level progression.
#include "test_support.h"

TEST(NewGame, SetsUpAFullWallAndABallAtRest) {
    startFreshGame();
    EXPECT_EQ(liveBricks(), bricksPerLevel);
    for (int row : {1, 3}) {
        EXPECT_EQ(game.bricks[row][9].alive, 0);
        EXPECT_DOUBLE_EQ(game.bricks[row][9].x, 1.0);
    }
    EXPECT_DOUBLE_EQ(game.bricks[0][0].x, 0.05);
    EXPECT_DOUBLE_EQ(game.bricks[0][0].y, 0.975);
    EXPECT_DOUBLE_EQ(game.bricks[3][8].x, 0.9);
    EXPECT_DOUBLE_EQ(game.bricks[4][9].y, 0.775);
    EXPECT_DOUBLE_EQ(game.ballX, 0.45);
    EXPECT_DOUBLE_EQ(game.ballY, 0.2125);
    EXPECT_EQ(game.ballInPlay, 0);
    EXPECT_EQ(game.ballsLeft, 5);
    EXPECT_EQ(game.level, 1);
    EXPECT_EQ(game.points, 0);
    EXPECT_EQ(game.running, 1);
    EXPECT_EQ(game.record, 0);
}

TEST(NewGame, KeepsPauseRecordAndPreviousBallButResetsTheRest) {
    startFreshGame();
    game.running = 0;
    game.record = 17;
    game.prevBallX = 0.3;
    game.prevBallY = 0.6;
    game.points = 60;
    game.level = 2;
    game.paddleDirection = -1;
    game.stepRequested = 1;
    game.bricks[2][2].alive = 0;
    newGame();
    EXPECT_EQ(game.running, 0);
    EXPECT_EQ(game.record, 17);
    EXPECT_DOUBLE_EQ(game.prevBallX, 0.3);
    EXPECT_DOUBLE_EQ(game.prevBallY, 0.6);
    EXPECT_EQ(game.points, 0);
    EXPECT_EQ(game.level, 1);
    EXPECT_EQ(game.paddleDirection, 0);
    EXPECT_EQ(game.stepRequested, 0);
    EXPECT_EQ(liveBricks(), bricksPerLevel);
}

TEST(NextLevel, RebuildsTheWallAndRestsTheBallButKeepsPointsAndMotion) {
    startFreshGame();
    for (auto& row : game.bricks)
        for (Brick& brick : row) brick.alive = 0;
    game.points = 48;
    game.ballsLeft = 2;
    game.ballInPlay = 1;
    game.ballDirX = -1;
    game.ballDirY = -1;
    game.ballX = 0.7;
    game.ballY = 0.8;
    game.paddleX = 0.8;
    game.paddleDirection = +1;
    game.running = 0;
    game.stepRequested = 1;
    game.record = 9;
    nextLevel();
    EXPECT_EQ(game.level, 2);
    EXPECT_EQ(game.points, 48);
    EXPECT_EQ(game.ballsLeft, 3);
    EXPECT_EQ(liveBricks(), bricksPerLevel);
    EXPECT_EQ(game.ballInPlay, 0);
    EXPECT_EQ(game.ballDirX, 1);
    EXPECT_EQ(game.ballDirY, 1);
    EXPECT_DOUBLE_EQ(game.paddleX, 0.45);
    EXPECT_DOUBLE_EQ(game.ballX, 0.45);
    EXPECT_DOUBLE_EQ(game.ballY, 0.2125);
    EXPECT_EQ(game.paddleDirection, +1);
    EXPECT_EQ(game.running, 0);
    EXPECT_EQ(game.stepRequested, 1);
    EXPECT_EQ(game.record, 9);
    EXPECT_DOUBLE_EQ(game.paddleHeight, 0.005);
}

TEST(NextLevel, FollowsTheProgressionTable) {
    struct Row { int level; double speed; double width; int ballsGranted; };
    const Row table[] = {
        {2, 0.0066, 0.1425, 6},
        {3, 0.00726, 0.135375, 7},
        {4, 0.007986, 0.12860625, 8},
        {5, 0.0087846, 0.1221759375, 9},
        {10, 0.014147686146, 0.0945374115, 14},
    };
    for (const Row& row : table) {
        startFreshGame();
        while (game.level < row.level) nextLevel();
        SCOPED_TRACE(row.level);
        EXPECT_NEAR(game.ballSpeed, row.speed, 1e-12);
        EXPECT_NEAR(game.paddleWidth, row.width, 1e-10);
        EXPECT_EQ(game.ballsLeft, row.ballsGranted);
    }
}
