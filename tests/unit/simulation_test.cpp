// The tick's rules: paddle, ball flight, bounces, loss, bricks, levels, single steps and re-arming.
#include "core/simulation.h"
#include "test_support.h"

namespace {

void tickOnce() {
    fake::reset();
    tick(0);
}

void putBallInFlight(double x, double y, int dirX, int dirY) {
    game.ballInPlay = 1;
    game.ballX = x;
    game.ballY = y;
    game.ballDirX = dirX;
    game.ballDirY = dirY;
}

}  // namespace

TEST(Tick, ReArmsItselfOnceWhateverTheStateAndRedrawsOnlyWhileRunning) {
    struct Case { int running, stepRequested, redraws; };
    for (const Case c : {Case{1, 0, 1}, Case{0, 0, 0}, Case{1, 1, 1}}) {
        startFreshGame();
        game.running = c.running;
        game.stepRequested = c.stepRequested;
        consoleTextOf(tickOnce);
        EXPECT_EQ(fake::count("glutTimerFunc"), 1);
        EXPECT_EQ(fake::timerCallback, &tick);
        EXPECT_EQ(fake::timerDelay, 20u);
        EXPECT_EQ(fake::calls().back().args[1], 0);
        EXPECT_EQ(fake::count("glutPostRedisplay"), c.redraws);
    }
}

TEST(Tick, PaddleRunsToItsStopAndClearsTheDirection) {
    struct Case { int direction, moves; double stop; };
    for (const Case c : {Case{-1, 38, 0.07}, Case{+1, 48, 0.93}}) {
        startFreshGame();
        game.paddleDirection = c.direction;
        int moves = 0;
        for (double before = game.paddleX; game.paddleDirection != 0; before = game.paddleX) {
            tickOnce();
            moves += game.paddleX != before;
            ASSERT_LT(moves, 100);
        }
        EXPECT_EQ(moves, c.moves);
        EXPECT_NEAR(game.paddleX, c.stop, 1e-9);
        EXPECT_DOUBLE_EQ(game.ballX, game.paddleX) << "the resting ball follows the paddle";
        tickOnce();
        EXPECT_NEAR(game.paddleX, c.stop, 1e-9) << "stays stopped";
    }
}

TEST(Tick, PausedGameMovesNothing) {
    startFreshGame();
    game.running = 0;
    game.paddleDirection = +1;
    putBallInFlight(0.5, 0.5, 1, 1);
    const GameState before = game;
    tickOnce();
    EXPECT_EQ(game.paddleX, before.paddleX);
    EXPECT_EQ(game.ballX, before.ballX);
    EXPECT_EQ(game.ballY, before.ballY);
}

TEST(Tick, LaunchedBallTakesItsFirstDiagonalStep) {
    startFreshGame();
    game.ballInPlay = 1;
    tickOnce();
    EXPECT_DOUBLE_EQ(game.prevBallX, 0.45);
    EXPECT_DOUBLE_EQ(game.prevBallY, 0.2125);
    EXPECT_NEAR(game.ballX, 0.456, 1e-12);
    EXPECT_NEAR(game.ballY, 0.2185, 1e-12);
}

TEST(Tick, BallTurnsAtTheWalls) {
    struct Case { double x, y; int dirX, dirY, dirXAfter, dirYAfter; };
    const Case cases[] = {
        {0.015, 0.5, -1, -1, +1, -1},  // left wall reached at x - 0.01 <= 0
        {0.985, 0.5, +1, +1, -1, +1},  // right wall
        {0.5, 0.985, +1, +1, +1, -1},  // top wall
        {0.017, 0.5, -1, -1, -1, -1},  // still clear of the wall
    };
    for (const Case& c : cases) {
        startFreshGame();
        game.bricks[0][4].alive = game.bricks[0][5].alive = 0;
        putBallInFlight(c.x, c.y, c.dirX, c.dirY);
        tickOnce();
        EXPECT_EQ(game.ballDirX, c.dirXAfter) << c.x << "," << c.y;
        EXPECT_EQ(game.ballDirY, c.dirYAfter) << c.x << "," << c.y;
    }
}

TEST(Tick, PaddleReturnsTheBallUpFromItsThresholdAndMissesAreLost) {
    struct Case { double x, y; int dirYAfter, inPlayAfter; double yAfter; };
    const Case cases[] = {
        {0.45, 0.221, +1, 1, 0.215},    // reaches 0.215 over the paddle: turned up
        {0.45, 0.2211, -1, 1, 0.2151},  // just above the threshold: still falling
        {0.3, 0.2055, -1, 0, 0.2125},   // beside the paddle and below 0.2: lost, back at rest height
        {0.3, 0.2065, -1, 1, 0.2005},   // beside the paddle, centre not yet below 0.2
    };
    for (const Case& c : cases) {
        startFreshGame();
        game.ballsLeft = 3;
        putBallInFlight(c.x, c.y, +1, -1);
        tickOnce();
        SCOPED_TRACE(c.y);
        EXPECT_EQ(game.ballDirY, c.dirYAfter);
        EXPECT_EQ(game.ballInPlay, c.inPlayAfter);
        EXPECT_NEAR(game.ballY, c.yAfter, 1e-12);
        EXPECT_EQ(game.ballsLeft, 3);
    }
}

TEST(Tick, BrickHitsFollowTheApproachAndTheScanOrder) {
    struct Hit { int row, column; };
    struct Case {
        const char* name;
        double prevX, prevY;  // the ball moves one step of +-0.006 from here
        int dirX, dirY;
        std::vector<Hit> alreadyDead, destroyed;
        int dirXAfter, dirYAfter;
    };
    const Case cases[] = {
        {"from below", 0.35, 0.74, +1, +1, {}, {{4, 3}}, +1, -1},
        {"from the side", 0.29, 0.77, +1, +1, {{4, 2}}, {{4, 3}}, -1, +1},
        {"past a corner", 0.5, 0.74, +1, +1, {}, {}, +1, +1},
        {"two neighbours: lower column wins", 0.394, 0.754, +1, +1, {}, {{4, 3}}, +1, -1},
        {"two rows: both count, flips cancel", 0.344, 0.794, +1, +1, {}, {{3, 2}, {4, 3}}, +1, +1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startFreshGame();
        for (const Hit& dead : c.alreadyDead) game.bricks[dead.row][dead.column].alive = 0;
        putBallInFlight(c.prevX, c.prevY, c.dirX, c.dirY);
        const int liveBefore = liveBricks();
        tickOnce();
        EXPECT_EQ(liveBricks(), liveBefore - static_cast<int>(c.destroyed.size()));
        for (const Hit& hit : c.destroyed) EXPECT_EQ(game.bricks[hit.row][hit.column].alive, 0);
        EXPECT_EQ(game.points, static_cast<int>(c.destroyed.size()));
        EXPECT_EQ(game.ballDirX, c.dirXAfter);
        EXPECT_EQ(game.ballDirY, c.dirYAfter);
    }
}

TEST(Tick, CornerApproachHitsOnTheFollowingTick) {
    startFreshGame();
    putBallInFlight(0.5, 0.74, +1, +1);
    tickOnce();
    EXPECT_NEAR(game.ballX, 0.506, 1e-12);
    EXPECT_NEAR(game.ballY, 0.746, 1e-12);
    EXPECT_EQ(game.points, 0);
    tickOnce();
    EXPECT_EQ(game.bricks[4][5].alive, 0);
    EXPECT_EQ(game.bricks[4][4].alive, 1);
    EXPECT_EQ(game.points, 1);
    EXPECT_EQ(game.ballDirY, -1);
}

TEST(Tick, HitWindowsAreTakenInSinglePrecision) {
    EXPECT_EQ(floatAbs(-0.25f), 0.25f);
    EXPECT_EQ(floatAbs(0.25f), 0.25f);
    // Narrowed to float, a distance of exactly 0.059 or 0.034 lands just outside its window.
    struct Case { double dx, dy, ballY; bool hit; };
    const Case cases[] = {
        {0.059, 0.0, 0.775, false}, {0.0589, 0.0, 0.775, true},
        {0.0, 0.034, 0.741, false}, {0.0, 0.0339, 0.7411, true},
        {0.0, 0.01, 0.69, false},  // below the brick zone nothing is examined
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << " " << c.dy);
        startFreshGame();
        for (auto& row : game.bricks)
            for (Brick& brick : row) brick.alive = 0;
        Brick& target = game.bricks[4][3];
        target.alive = 1;
        target.y = c.ballY + c.dy;
        game.ballSpeed = 0;  // the ball stays put, so its previous centre is its centre
        putBallInFlight(target.x - c.dx, c.ballY, +1, +1);
        tickOnce();
        EXPECT_EQ(target.alive, c.hit ? 0 : 1);
    }
}

TEST(Tick, LevelChangesAtTheStartOfTheNextTickEvenWhilePaused) {
    startFreshGame();
    for (auto& row : game.bricks)
        for (Brick& brick : row) brick.alive = 0;
    game.bricks[4][3].alive = 1;
    game.points = 47;
    game.paddleDirection = +1;
    game.paddleX = 0.8;
    putBallInFlight(0.35, 0.74, +1, +1);
    tickOnce();
    EXPECT_EQ(game.points, 48) << "the last brick is hit";
    EXPECT_EQ(game.level, 1) << "but the level waits for the next tick";
    game.running = 0;
    tickOnce();
    EXPECT_EQ(game.level, 2);
    EXPECT_EQ(game.points, 48);
    EXPECT_EQ(game.ballInPlay, 0);
    EXPECT_EQ(liveBricks(), bricksPerLevel);
    EXPECT_DOUBLE_EQ(game.paddleX, 0.45);

    // A single step right after a cleared wall reports the new level's positions.
    game.points = 96;
    game.running = 1;
    game.stepRequested = 1;
    const std::string dump = consoleTextOf(tickOnce);
    EXPECT_EQ(game.level, 3);
    EXPECT_EQ(dump, "\n Posicoes -  raquete = [ 0.46,   0.20]      bola = [ 0.46,   0.21] ");
    EXPECT_EQ(game.running, 0);
    EXPECT_EQ(game.stepRequested, 0);
}

TEST(Tick, SingleStepAdvancesOnceThenPausesAndPrintsThePositions) {
    startFreshGame();
    game.ballInPlay = 1;
    game.stepRequested = 1;
    const std::string dump = consoleTextOf(tickOnce);
    EXPECT_EQ(dump, "\n Posicoes -  raquete = [ 0.45,   0.20]      bola = [ 0.46,   0.22] ");
    EXPECT_EQ(game.running, 0);
    EXPECT_EQ(game.stepRequested, 0);
    EXPECT_EQ(consoleTextOf(tickOnce), "");
    EXPECT_NEAR(game.ballX, 0.456, 1e-12);
}
