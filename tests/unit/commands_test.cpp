// Keys, mouse, menu and the console texts: the run-mode machine, launching and quitting.
#include <GL/glut.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "fixtures.h"
#include "frontend/commands.h"
#include "test_support.h"

namespace {

const char* const stepPrompt = "\nUse a tecla O para passo-a-passo, ou a tecla P para continuar.";

// A game mid-play, paused, so that every command has something visible to change.
void startPausedGameInPlay() {
    startFreshGame();
    game.running = 0;
    game.ballInPlay = 1;
    game.ballsLeft = 3;
    game.points = 7;
    game.ballX = 0.6;
    game.bricks[0][0].alive = 0;
}

bool sameState(const GameState& a, const GameState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A release while running ends any click that an earlier case left half done, and steps nothing.
void forgetLeftPress() {
    const int running = game.running;
    game.running = 1;
    mouse(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0);
    game.running = running;
}

}  // namespace

TEST(Keyboard, EveryKeyCodeActsByTheTableInEitherCase) {
    for (int code = 0; code < 256; ++code) {
        const unsigned char key = static_cast<unsigned char>(code);
        const int upper = code < 128 ? std::toupper(code) : code;
        if (upper == 'Q') continue;  // quitting has its own test
        SCOPED_TRACE(code);
        startPausedGameInPlay();
        game.paddleDirection = 1;
        const GameState before = game;
        const std::string console = consoleTextOf([&] { keyboard(key, 10, 20); });
        EXPECT_EQ(fake::count("glutPostRedisplay"), 0) << "keys never ask for a redraw";
        switch (upper) {
            case 'A': case 'J': EXPECT_EQ(game.paddleDirection, -1); break;
            case 'S': case 'K': EXPECT_EQ(game.paddleDirection, 0); break;
            case 'D': case 'L': EXPECT_EQ(game.paddleDirection, +1); break;
            case 'B': EXPECT_TRUE(sameState(game, before)) << "ball already in play"; break;
            case 'H': EXPECT_EQ(console, helpBox); break;
            case 'N': EXPECT_EQ(game.points, 0); EXPECT_EQ(game.running, 0); break;
            case 'O': EXPECT_EQ(console, stepPrompt); EXPECT_EQ(game.stepRequested, 1); break;
            case 'P': EXPECT_EQ(game.running, 1); break;
            default: EXPECT_TRUE(sameState(game, before)); EXPECT_EQ(console, ""); break;
        }
        if (upper != 'A' && upper != 'J' && upper != 'S' && upper != 'K' && upper != 'N') {
            EXPECT_EQ(game.paddleDirection, 1);
        }
    }
}

// One walk over the arrows from a standing paddle: the direction after each press or release (a held
// arrow repeats on X11 as a release and a press).
TEST(Arrows, SideArrowsMoveWhileHeldAndStopOnTheirOwnReleaseUpLaunchesDownStops) {
    using Handler = void (*)(int, int, int);
    const Handler letter = [](int key, int x, int y) { keyboard(static_cast<unsigned char>(key), x, y); };
    struct Step { Handler handler; int key, direction; };
    const Step walk[] = {
        {special, GLUT_KEY_LEFT, -1},   {special, GLUT_KEY_RIGHT, +1},  {specialUp, GLUT_KEY_LEFT, +1},
        {specialUp, GLUT_KEY_RIGHT, 0}, {special, GLUT_KEY_RIGHT, +1},  {specialUp, GLUT_KEY_RIGHT, 0},
        {special, GLUT_KEY_RIGHT, +1},  {letter, 'a', -1},              {specialUp, GLUT_KEY_RIGHT, -1},
        {special, GLUT_KEY_DOWN, 0},    {special, GLUT_KEY_LEFT, -1},   {specialUp, GLUT_KEY_UP, -1},
        {specialUp, GLUT_KEY_DOWN, -1}, {special, GLUT_KEY_F1, -1},     {special, GLUT_KEY_HOME, -1},
        {special, GLUT_KEY_UP, -1},     {special, GLUT_KEY_UP, -1},     {specialUp, GLUT_KEY_LEFT, 0},
    };
    startFreshGame();
    for (std::size_t i = 0; i < std::size(walk); ++i) {
        walk[i].handler(walk[i].key, 0, 0);
        EXPECT_EQ(game.paddleDirection, walk[i].direction) << "step " << i;
    }
    EXPECT_EQ(game.ballsLeft, 4) << "up launches once: its repeat finds the ball in play";
}

TEST(RunModes, FollowTheTransitionTable) {
    struct Row { int running, stepRequested; void (*event)(); int runningAfter, stepAfter; bool prompt; };
    const auto pause = [] { keyboard('p', 0, 0); };
    const auto step = [] { keyboard('o', 0, 0); };
    const auto click = [] { mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); mouse(GLUT_LEFT_BUTTON, GLUT_UP, 0, 0); };
    const auto press = [] { mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0); };
    const auto middle = [] { mouse(GLUT_MIDDLE_BUTTON, GLUT_UP, 0, 0); };
    const auto menuPause = [] { menu(1); };
    const auto newGameKey = [] { keyboard('N', 0, 0); };
    const auto newGameMenu = [] { menu(2); };
    const Row table[] = {
        {1, 0, pause, 0, 0, false},      {1, 0, menuPause, 0, 0, false}, {1, 0, step, 1, 0, false},
        {1, 0, click, 1, 0, false},      {0, 0, pause, 1, 0, false},     {0, 0, step, 1, 1, true},
        {0, 0, click, 1, 1, true},       {0, 0, press, 0, 0, false},     {0, 0, middle, 0, 0, false},
        {1, 1, pause, 0, 0, false},      {1, 1, menuPause, 0, 0, false}, {1, 1, step, 1, 1, false},
        {1, 1, click, 1, 1, false},      {1, 1, newGameKey, 1, 0, false}, {1, 1, newGameMenu, 1, 0, false},
        {0, 0, newGameKey, 0, 0, false}, {1, 0, newGameMenu, 1, 0, false},
    };
    for (std::size_t i = 0; i < std::size(table); ++i) {
        const Row& row = table[i];
        SCOPED_TRACE(i);
        startFreshGame();
        forgetLeftPress();
        game.running = row.running;
        game.stepRequested = row.stepRequested;
        const std::string console = consoleTextOf(row.event);
        EXPECT_EQ(game.running, row.runningAfter);
        EXPECT_EQ(game.stepRequested, row.stepAfter);
        EXPECT_EQ(console, row.prompt ? stepPrompt : "");
    }
}

// A left release steps only as the end of a click whose press reached the window: a menu entry picked
// with the left button sends its release to the window without the press.
TEST(Mouse, ReleaseStepsOnlyAfterItsOwnPressInTheWindow) {
    enum Event { press, release, pauseKey, pauseMenu, newGameMenu, otherMenu, middlePress, rightPress };
    // prompts: step prompts printed; the last step is still armed at the end unless a pause cancelled it.
    struct Case { const char* what; std::vector<Event> events; int prompts; int armed; };
    const Case cases[] = {
        {"a release alone", {release}, 0, 0},
        {"a press alone", {press}, 0, 0},
        {"a whole click", {press, release}, 1, 1},
        {"a second release", {press, release, pauseKey, release}, 1, 0},
        {"pause picked with the left button", {pauseMenu, pauseMenu, release}, 0, 0},
        {"new game picked with the left button", {newGameMenu, release}, 0, 0},
        {"a press, then a menu pick, then the release", {press, otherMenu, release}, 0, 0},
        {"a press while running, a pause by key, then the release", {pauseKey, press, pauseKey, release}, 1, 1},
        {"other buttons' presses", {middlePress, rightPress, release}, 0, 0},
        {"a press repeated", {press, press, release}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        startFreshGame();
        forgetLeftPress();
        game.running = 0;  // paused, where a click would step
        const std::string console = consoleTextOf([&] {
            for (const Event event : c.events) switch (event) {
                case press: mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 5, 5); break;
                case release: mouse(GLUT_LEFT_BUTTON, GLUT_UP, 5, 5); break;
                case pauseKey: keyboard('p', 0, 0); break;
                case pauseMenu: menu(menuTogglePause); break;
                case newGameMenu: menu(menuNewGame); break;
                case otherMenu: menu(7); break;
                case middlePress: mouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 5, 5); break;
                case rightPress: mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 5, 5); break;
            }
        });
        EXPECT_EQ(game.stepRequested, c.armed);
        std::string prompts;
        for (int i = 0; i < c.prompts; ++i) prompts += stepPrompt;
        EXPECT_EQ(console, prompts);
    }
}

TEST(Launch, PutsTheRestingBallInPlayUpAndRightUnlessRefused) {
    startFreshGame();
    game.running = 0;  // launching works while paused too
    game.paddleX = 0.3;
    game.ballDirX = -1;
    game.prevBallX = 0.9;
    keyboard('B', 0, 0);
    EXPECT_EQ(game.ballInPlay, 1);
    EXPECT_EQ(game.ballsLeft, 4);
    EXPECT_EQ(game.ballDirX, 1);
    EXPECT_EQ(game.ballDirY, 1);
    EXPECT_DOUBLE_EQ(game.ballX, 0.3);
    EXPECT_DOUBLE_EQ(game.ballY, 0.2125);
    EXPECT_DOUBLE_EQ(game.prevBallX, 0.9);

    keyboard('b', 0, 0);  // a repeat finds the ball in play
    EXPECT_EQ(game.ballsLeft, 4);

    game.ballInPlay = 0;
    game.ballsLeft = 0;  // game over
    keyboard('b', 0, 0);
    EXPECT_EQ(game.ballInPlay, 0);
    EXPECT_EQ(game.ballsLeft, 0);
    keyboard('n', 0, 0);
    EXPECT_EQ(game.ballsLeft, 5);
}

TEST(Menu, EveryChoiceButQuitRedrawsAtOnce) {
    struct Case { int value, runningAfter, pointsAfter; };
    for (const Case c : {Case{1, 1, 7}, Case{2, 0, 0}, Case{3, 0, 7}, Case{0, 0, 7}, Case{-5, 0, 7}}) {
        startPausedGameInPlay();
        menu(c.value);
        EXPECT_EQ(fake::count("glutPostRedisplay"), 1) << c.value;
        EXPECT_EQ(game.running, c.runningAfter) << c.value;
        EXPECT_EQ(game.points, c.pointsAfter) << c.value;
    }
}

TEST(Console, HelpBoxIsSeventeenFramedLines) {
    const std::string box = consoleTextOf(printHelp);
    EXPECT_EQ(box, helpBox);
    EXPECT_EQ(box.size(), 17u * 57u);
}

using QuitDeathTest = testing::Test;

TEST(QuitDeathTest, QAndTheLastMenuEntryExitWithStatusZero) {
#if !GTEST_HAS_DEATH_TEST
    GTEST_SKIP() << "no child process to exit here (WebAssembly); the browser tests quit the web edition";
#else
    for (unsigned char key : {'q', 'Q'}) {
        startPausedGameInPlay();
        EXPECT_EXIT(keyboard(key, 0, 0), testing::ExitedWithCode(0), "");
    }
    game.running = 1;
    game.stepRequested = 1;
    EXPECT_EXIT(menu(10), testing::ExitedWithCode(0), "");
#endif
}
