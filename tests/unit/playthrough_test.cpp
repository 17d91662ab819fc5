// A whole game played through the game's own callbacks: a wall is cleared and level 2 begins.
#include "core/simulation.h"
#include "frontend/commands.h"
#include "frontend/drawing.h"
#include "test_support.h"

TEST(Playthrough, ATrackingPlayerClearsTheFirstWall) {
    startFreshGame();
    constexpr int tickLimit = 200000;  // about 67 minutes of play
    int ticks = 0;
    for (; ticks < tickLimit && game.level < 2; ++ticks) {
        if (game.ballInPlay == 0) keyboard('b', 0, 0);
        // Follow the ball like a player would, with the keys' own effect.
        const double lead = game.ballX - game.paddleX;
        keyboard(lead < -0.01 ? 'a' : lead > 0.01 ? 'd' : 's', 0, 0);
        fake::reset();
        tick(0);
        if (ticks % 50 == 0) display();
        ASSERT_GE(game.ballsLeft, 0);
    }
    EXPECT_EQ(game.level, 2) << "after " << ticks << " ticks, " << game.points << " points";
    EXPECT_EQ(game.points, 48);
    EXPECT_EQ(liveBricks(), bricksPerLevel);
}
