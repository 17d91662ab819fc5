// States far beyond ordinary play: a level with a huge ball speed and a tiny paddle, counters at their limits.
#include <GL/glut.h>

#include <climits>
#include <cmath>
#include <string>

#include "core/simulation.h"
#include "frontend/commands.h"
#include "frontend/drawing.h"
#include "state_rules.h"
#include "test_support.h"

TEST(ExtremeStates, Level500PlaysToTheEndWithAHugeSpeedAndATinyPaddle) {
    startFreshGame();
    for (int level = 1; level < 500; ++level) nextLevel();
    ASSERT_EQ(game.level, 500);
    EXPECT_NEAR(game.ballSpeed / (0.006 * std::pow(1.1, 499)), 1.0, 1e-9);    // about 2.7e18 a tick
    EXPECT_NEAR(game.paddleWidth / (0.15 * std::pow(0.95, 499)), 1.0, 1e-9);  // about 1e-12 wide

    std::string broken;
    const std::string console = consoleTextOf([&] {
        const char moves[] = "adsjkl";
        for (int t = 0; t < 3000 && broken.empty(); ++t) {
            if (t % 50 == 0) keyboard(moves[t / 50 % 6], 0, 0);
            keyboard('b', 0, 0);
            fake::reset();
            tick(0);
            display();
            broken = brokenStateRule();
        }
        keyboard('p', 0, 0);
        keyboard('o', 0, 0);
        tick(0);
    });
    EXPECT_EQ(broken, "");
    EXPECT_EQ(game.ballsLeft, 0) << "every ball leaves the field at its first step";
    EXPECT_EQ(fake::bitmapText().rfind("FIM DE JOGO", 0), 0u);
    EXPECT_NE(console.find(" Posicoes -  raquete = ["), std::string::npos);
}

TEST(ExtremeStates, CountersAtTheirLimitsKeepTheGameGoing) {
    struct Case { int ballsLeft, points, level, record; const char* text; };
    const Case cases[] = {
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX,
         "Bolas: 2147483646    Pontos: 2147483647    Nivel: 2147483647    Recorde: 2147483647"},
        {INT_MIN, INT_MIN, INT_MIN, INT_MIN,
         "Bolas: -2147483648    Pontos: -2147483648    Nivel: -2147483648    Recorde: -2147483648"},
        {0, INT_MAX, 1, INT_MIN, "FIM DE JOGOBolas: 0    Pontos: 2147483647    Nivel: 1    Recorde: 2147483647"},
        // The first level whose wall total, 48 x level, is past INT_MAX: wrapped to 32 bits it would be exactly
        // these points and clear a wall that still stands.
        {1, -2147483632, 44739243, 0, "Bolas: 0    Pontos: -2147483632    Nivel: 44739243    Recorde: 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        startFreshGame();
        game.ballsLeft = c.ballsLeft;
        game.points = c.points;
        game.level = c.level;
        game.record = c.record;
        consoleTextOf([] {
            keyboard('b', 0, 0);
            for (int t = 0; t < 5; ++t) tick(0);
            menu(menuTogglePause);
            mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
            mouse(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
            tick(0);
            menu(menuTogglePause);
            tick(0);
            fake::reset();
            display();
        });
        EXPECT_EQ(game.level, c.level) << "no wall was cleared";
        EXPECT_EQ(fake::bitmapText(), c.text);
    }
}
