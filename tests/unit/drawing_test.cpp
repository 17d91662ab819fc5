// One frame's draw calls, the game-over rule and the status line.
#include <GL/glut.h>

#include <climits>
#include <cstring>

#include "frontend/drawing.h"
#include "test_support.h"

namespace {

bool isCall(const ToolkitCall& call, const char* name) { return std::strcmp(call.name, name) == 0; }

void expectArgs(const ToolkitCall& call, const char* name, std::initializer_list<float> args) {
    ASSERT_STREQ(call.name, name);
    int i = 0;
    for (float expected : args) EXPECT_NEAR(call.args[i++], expected, 1e-6) << name << " argument " << i;
}

std::vector<ToolkitCall> drawFrame() {
    fake::reset();
    display();
    return fake::calls();
}

// Bodies are the rectangles drawn right after the brick colour is set.
std::vector<ToolkitCall> brickBodies(const std::vector<ToolkitCall>& calls) {
    std::vector<ToolkitCall> bodies;
    for (std::size_t i = 0; i + 1 < calls.size(); ++i)
        if (isCall(calls[i], "glColor3f") && calls[i].args[0] == 0.86f && calls[i].args[1] == 0.62f &&
            calls[i].args[2] == 0.51f)
            bodies.push_back(calls[i + 1]);
    return bodies;
}

}  // namespace

TEST(Frame, NewGameDrawsTheWallThePaddleTheBarAndTheStatusInOrder) {
    startFreshGame();
    const auto calls = drawFrame();
    ASSERT_GE(calls.size(), 3u);
    expectArgs(calls[0], "glClearColor", {0, 0, 0, 1});
    expectArgs(calls[1], "glClear", {GL_COLOR_BUFFER_BIT});

    // 48 bricks, each a body followed by a black four-corner outline: rows 0, 2, 4, then 1, 3.
    std::size_t at = 2;
    const double rowOrder[] = {0.975, 0.875, 0.775, 0.925, 0.825};
    for (int r = 0; r < 5; ++r) {
        const int columns = r < 3 ? 10 : 9;
        const double firstX = r < 3 ? 0.05 : 0.1;
        for (int c = 0; c < columns; ++c, at += 9) {
            SCOPED_TRACE(testing::Message() << "row y " << rowOrder[r] << " column " << c);
            const float x = static_cast<float>(firstX + c * 0.1), y = static_cast<float>(rowOrder[r]);
            const float left = x - 0.049f, right = x + 0.049f, bottom = y - 0.024f, top = y + 0.024f;
            expectArgs(calls[at], "glColor3f", {0.86f, 0.62f, 0.51f});
            expectArgs(calls[at + 1], "glRectf", {left, bottom, right, top});
            expectArgs(calls[at + 2], "glColor3f", {0, 0, 0});
            expectArgs(calls[at + 3], "glBegin", {GL_LINE_LOOP});
            expectArgs(calls[at + 4], "glVertex2f", {left, bottom});
            expectArgs(calls[at + 5], "glVertex2f", {right, bottom});
            expectArgs(calls[at + 6], "glVertex2f", {right, top});
            expectArgs(calls[at + 7], "glVertex2f", {left, top});
            expectArgs(calls[at + 8], "glEnd", {});
        }
    }
    expectArgs(calls[at], "glColor3f", {1, 1, 0});
    expectArgs(calls[at + 1], "glRectf", {0.375f, 0.1975f, 0.525f, 0.2025f});
    expectArgs(calls[at + 2], "glColor3f", {1, 1, 1});
    expectArgs(calls[at + 3], "glRectf", {0, 0.14f, 1, 0.15f});
    expectArgs(calls[at + 4], "glRasterPos2f", {0.2f, 0.1f});
    const std::string status = "Bolas: 5    Pontos: 0    Nivel: 1    Recorde: 0";
    EXPECT_EQ(status.size(), 47u);
    EXPECT_EQ(fake::bitmapText(), status);
    EXPECT_EQ(calls[at + 5].pointer, GLUT_BITMAP_HELVETICA_12);
    EXPECT_EQ(calls.size(), at + 5 + status.size() + 1);
    EXPECT_STREQ(calls.back().name, "glutSwapBuffers");
}

TEST(Frame, SkipsDeadBricksAndTheTwoDeadCellsWhateverTheirFlag) {
    startFreshGame();
    game.bricks[0][3].alive = 0;
    game.bricks[4][0].alive = 2;  // only exactly 1 counts as alive
    game.bricks[1][9].alive = 1;
    game.bricks[3][9].alive = 1;
    const auto bodies = brickBodies(drawFrame());
    EXPECT_EQ(bodies.size(), 46u);
    for (const ToolkitCall& body : bodies) EXPECT_LT(body.args[2], 1.0f) << "a dead cell on the wall was drawn";
    EXPECT_EQ(fake::count("glBegin"), 46);
}

TEST(Frame, DrawsTheBallOnlyInPlayOverItsPreviousSquare) {
    startFreshGame();
    drawFrame();
    EXPECT_EQ(fake::count("glRectf"), 48 + 2);

    game.ballInPlay = 1;
    game.prevBallX = 0.45;
    game.prevBallY = 0.2125;
    game.ballX = 0.456;
    game.ballY = 0.2185;
    const auto calls = drawFrame();
    expectArgs(calls[2], "glColor3f", {0.25f, 0.25f, 1});
    expectArgs(calls[3], "glRectf", {0.44f, 0.2025f, 0.46f, 0.2225f});
    expectArgs(calls[4], "glColor3f", {0, 0, 1});
    expectArgs(calls[5], "glRectf", {0.446f, 0.2085f, 0.466f, 0.2285f});
    expectArgs(calls[6], "glColor3f", {0.86f, 0.62f, 0.51f});
}

TEST(Frame, GameOverShowsTheTextAndRaisesTheRecordOnlyWhenBeaten) {
    struct Case { int ballsLeft, ballInPlay, points, record; bool gameOver; int recordAfter; };
    const Case cases[] = {
        {0, 0, 6, 5, true, 6},   // beaten: raised, and the same frame shows it
        {0, 0, 5, 5, true, 5},   // equal is not a new record
        {0, 0, 3, 5, true, 5},
        {0, 1, 9, 5, false, 5},  // the last ball is still in play
        {1, 0, 9, 5, false, 5},
    };
    for (const Case& c : cases) {
        startFreshGame();
        game.ballsLeft = c.ballsLeft;
        game.ballInPlay = c.ballInPlay;
        game.points = c.points;
        game.record = c.record;
        const auto calls = drawFrame();
        SCOPED_TRACE(testing::Message() << "points " << c.points << " record " << c.record);
        EXPECT_EQ(game.record, c.recordAfter);
        const std::string text = fake::bitmapText();
        EXPECT_EQ(text.rfind("FIM DE JOGO", 0) == 0, c.gameOver);
        EXPECT_NE(text.find("Recorde: " + std::to_string(c.recordAfter)), std::string::npos);
        if (c.gameOver) {
            expectArgs(calls[2], "glColor3f", {1, 1, 1});
            expectArgs(calls[3], "glRasterPos2f", {0.4f, 0.5f});
            EXPECT_EQ(calls[4].pointer, GLUT_BITMAP_HELVETICA_18);
        }
    }
}

TEST(StatusLine, FitsItsBufferWhateverTheNumbers) {
    startFreshGame();
    game.ballsLeft = INT_MIN;
    game.points = INT_MIN;
    game.level = INT_MAX;
    game.record = -1;
    drawFrame();
    const std::string expected =
        "Bolas: -2147483648    Pontos: -2147483648    Nivel: 2147483647    Recorde: -1";
    EXPECT_EQ(fake::bitmapText(), expected);

    game.level = INT_MIN;
    game.record = INT_MIN;
    char line[statusLineCapacity];
    formatStatusLine(line);
    EXPECT_EQ(std::strlen(line), 87u);
    EXPECT_STREQ(line, "Bolas: -2147483648    Pontos: -2147483648    Nivel: -2147483648    Recorde: -2147483648");
}
