// Seeded random play through the game's own callbacks, with the rules checked after every single event.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "core/simulation.h"
#include "frontend/commands.h"
#include "frontend/drawing.h"
#include "state_rules.h"
#include "test_support.h"

namespace {

// TORVALE_RULES_SEED replays one seed; TORVALE_RULES_EVENTS changes the length of each run.
const std::uint32_t defaultSeeds[] = {1, 2, 3, 5, 8, 13, 21, 34};
constexpr long defaultEventsPerSeed = 150000;

enum class Kind { tick, frame, key, mouse, menu };

struct Event {
    Kind kind;
    int value = 0;  // key code, mouse button or menu value
    int state = 0;  // mouse button state
};

std::string describe(const Event& event) {
    switch (event.kind) {
        case Kind::tick: return "tick";
        case Kind::frame: return "frame";
        case Kind::key: return "key " + std::to_string(event.value);
        case Kind::mouse: return "mouse " + std::to_string(event.value) + "/" + std::to_string(event.state);
        case Kind::menu: return "menu " + std::to_string(event.value);
    }
    return {};
}

void apply(const Event& event) {
    switch (event.kind) {
        case Kind::tick: tick(0); break;
        case Kind::frame: display(); break;
        case Kind::key: keyboard(static_cast<unsigned char>(event.value), 0, 0); break;
        case Kind::mouse: mouse(event.value, event.state, 0, 0); break;
        case Kind::menu: menu(event.value); break;
    }
}

// Anything at all but quitting: every key code but q and Q, any button, odd menu values but never 10.
// A new game is rare, since it throws away the walls cleared so far.
Event monkeyEvent(std::mt19937& random) {
    const unsigned roll = random() % 1000;
    if (roll < 2) {
        const Event newGames[] = {{Kind::key, 'n'}, {Kind::key, 'N'}, {Kind::menu, menuNewGame}};
        return newGames[random() % 3];
    }
    if (roll < 450) return {Kind::tick};
    if (roll < 600) return {Kind::frame};
    if (roll < 850) {
        int key;
        do key = static_cast<int>(random() % 256);
        while (key == 'q' || key == 'Q' || key == 'n' || key == 'N');
        return {Kind::key, key};
    }
    if (roll < 950) return {Kind::mouse, static_cast<int>(random() % 3), static_cast<int>(random() % 2)};
    static const int menuValues[] = {menuTogglePause, 0, -1, 3, 4, 9, 11, 255, INT_MIN, INT_MAX};
    return {Kind::menu, menuValues[random() % std::size(menuValues)]};
}

// A player who wants to get on: continues a paused game, launches, follows the ball, starts over at the end.
Event playerMove() {
    if (game.running == 0) return {Kind::key, 'p'};
    if (game.ballsLeft == 0 && game.ballInPlay == 0) return {Kind::key, 'n'};
    if (game.ballInPlay == 0) return {Kind::key, 'b'};
    const double lead = game.ballX - game.paddleX;
    return {Kind::key, lead < -0.01 ? 'a' : lead > 0.01 ? 'd' : 's'};
}

// A careless player who launches, moves the paddle at random and loses balls, so games end with a score.
Event carelessMove(std::mt19937& random) {
    const char keys[] = "badsbjkl";
    return {Kind::key, keys[random() % 8]};
}

// Stretches of each kind of play: a player who clears walls reaches the rules of later levels too.
enum class Stretch { monkey, player, careless };

Event nextEvent(Stretch stretch, std::mt19937& random) {
    const unsigned roll = random() % 100;
    if (stretch == Stretch::monkey || roll >= 97) return monkeyEvent(random);
    if (roll < 80) return {Kind::tick};
    if (stretch == Stretch::careless) return roll < 85 ? Event{Kind::frame} : carelessMove(random);
    return playerMove();
}

bool startsNewGame(const Event& event) {
    return (event.kind == Kind::key && (event.value == 'n' || event.value == 'N')) ||
           (event.kind == Kind::menu && event.value == menuNewGame);
}

// The rules that relate the state after an event to the state before it.
std::string brokenTransitionRule(const GameState& before, const Event& event) {
    const int destroyed = bricksPerLevel - liveBricks();
    if (game.points != bricksPerLevel * (game.level - 1) + destroyed)
        return "points " + std::to_string(game.points) + " at level " + std::to_string(game.level) + " with " +
               std::to_string(destroyed) + " bricks of the wall destroyed";
    const bool wallWasEmpty = before.points == bricksPerLevel * before.level;
    if (event.kind == Kind::tick && wallWasEmpty && game.level != before.level + 1)
        return "the tick after the wall's last brick did not start the next level";
    const bool wallRebuilt = startsNewGame(event) || (event.kind == Kind::tick && game.level != before.level);
    for (int row = 0; row < wallRows && !wallRebuilt; ++row)
        for (int column = 0; column < wallColumns; ++column)
            if (before.bricks[row][column].alive != 1 && game.bricks[row][column].alive == 1)
                return "the cell at row " + std::to_string(row) + ", column " + std::to_string(column) +
                       " came alive";
    if (game.record < before.record) return "the record fell from " + std::to_string(before.record);
    const int rearmed = fake::count("glutTimerFunc");
    if (rearmed != (event.kind == Kind::tick ? 1 : 0))
        return "the tick was armed " + std::to_string(rearmed) + " times";
    return {};
}

struct RunSummary {
    std::string failure;  // empty when every rule held after every event
    long events = 0;
    long bricksDestroyed = 0;
    int levelChanges = 0;
    int highestLevel = 0;
    int gameOverFrames = 0;
};

RunSummary playRandomly(std::uint32_t seed, long eventCount) {
    std::mt19937 random(seed);
    startFreshGame();
    RunSummary run;
    Stretch stretch = Stretch::monkey;
    long stretchLeft = 0;
    testing::internal::CaptureStdout();  // help boxes, prompts and position lines are not looked at here
    for (; run.events < eventCount; ++run.events) {
        if (stretchLeft-- <= 0) {
            const unsigned roll = random() % 100;
            stretch = roll < 65 ? Stretch::player : roll < 90 ? Stretch::monkey : Stretch::careless;
            stretchLeft = stretch == Stretch::player ? 2000 + random() % 8000 : 50 + random() % 2000;
        }
        const Event event = nextEvent(stretch, random);
        const GameState before = game;
        fake::reset();
        apply(event);

        std::string broken = brokenStateRule();
        if (broken.empty()) broken = brokenTransitionRule(before, event);
        if (!broken.empty()) {
            run.failure = "seed " + std::to_string(seed) + ", event " + std::to_string(run.events) + " (" +
                          describe(event) + "): " + broken + "; replay with TORVALE_RULES_SEED=" +
                          std::to_string(seed);
            break;
        }
        if (event.kind == Kind::tick) {
            run.bricksDestroyed += game.points - before.points;
            run.levelChanges += game.level - before.level;
        }
        if (game.level > run.highestLevel) run.highestLevel = game.level;
        if (event.kind == Kind::frame && game.ballsLeft == 0 && game.ballInPlay == 0) ++run.gameOverFrames;
    }
    testing::internal::GetCapturedStdout();
    return run;
}

std::vector<std::uint32_t> seedsToRun() {
    if (const char* chosen = std::getenv("TORVALE_RULES_SEED"))
        return {static_cast<std::uint32_t>(std::strtoul(chosen, nullptr, 10))};
    return {std::begin(defaultSeeds), std::end(defaultSeeds)};
}

long eventsPerSeed() {
    const char* chosen = std::getenv("TORVALE_RULES_EVENTS");
    return chosen ? std::strtol(chosen, nullptr, 10) : defaultEventsPerSeed;
}

}  // namespace

TEST(RandomPlay, EveryEventKeepsTheRules) {
    long bricksDestroyed = 0;
    int levelChanges = 0;
    for (const std::uint32_t seed : seedsToRun()) {
        const RunSummary run = playRandomly(seed, eventsPerSeed());
        ASSERT_EQ(run.failure, "");
        std::printf("seed %u: %ld events, %ld bricks destroyed, %d level changes, up to level %d, "
                    "%d game-over frames\n",
                    seed, run.events, run.bricksDestroyed, run.levelChanges, run.highestLevel, run.gameOverFrames);
        bricksDestroyed += run.bricksDestroyed;
        levelChanges += run.levelChanges;
    }
    // Without these the rules above would have been checked only on the first wall.
    EXPECT_GT(bricksDestroyed, 0);
    EXPECT_GT(levelChanges, 0);
}
