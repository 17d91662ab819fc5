// Proves the running game never allocates: ticks, frames and every command under an allocation counter.
#include <GL/glut.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "core/game_state.h"
#include "core/simulation.h"
#include "frontend/commands.h"
#include "frontend/drawing.h"

// glibc's own entry points, so the counting versions below can hand every request on.
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* block, std::size_t size);
extern "C" void* __libc_memalign(std::size_t alignment, std::size_t size);

namespace {

bool counting;
int allocations;
const char* activity = "start-up";
const char* firstAllocatingActivity;

void countAllocation() {
    if (!counting) return;
    if (allocations++ == 0) firstAllocatingActivity = activity;
}

void* allocateOrThrow(std::size_t size) {
    countAllocation();
    if (void* block = __libc_malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}

}  // namespace

// Replacing malloc itself also catches what the C library allocates for the game, such as stream buffers.
extern "C" {
void* malloc(std::size_t size) noexcept {
    countAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept {
    countAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t size) noexcept {
    countAllocation();
    return __libc_realloc(block, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    countAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept {
    countAllocation();
    *block = __libc_memalign(alignment, size);
    return *block ? 0 : 12;  // ENOMEM
}
}  // extern "C"

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }

namespace {

struct Command {
    const char* name;
    void (*run)();
};

// Every command but quitting, in an order that also pauses, single-steps and continues.
const Command everyCommand[] = {
    {"key H", [] { keyboard('h', 0, 0); }},        {"key N", [] { keyboard('n', 0, 0); }},
    {"key B", [] { keyboard('b', 0, 0); }},        {"key A", [] { keyboard('A', 0, 0); }},
    {"key S", [] { keyboard('S', 0, 0); }},        {"key D", [] { keyboard('D', 0, 0); }},
    {"key J", [] { keyboard('j', 0, 0); }},        {"key K", [] { keyboard('k', 0, 0); }},
    {"key L", [] { keyboard('l', 0, 0); }},        {"key P", [] { keyboard('p', 0, 0); }},
    {"key O", [] { keyboard('o', 0, 0); }},        {"left press", [] { mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 9, 9); }},
    {"left release", [] { mouse(GLUT_LEFT_BUTTON, GLUT_UP, 9, 9); }},
    {"right release", [] { mouse(GLUT_RIGHT_BUTTON, GLUT_UP, 9, 9); }},
    {"key O", [] { keyboard('O', 0, 0); }},        {"key P", [] { keyboard('P', 0, 0); }},
    {"menu pause", [] { menu(menuTogglePause); }}, {"menu pause", [] { menu(menuTogglePause); }},
    {"menu new game", [] { menu(menuNewGame); }},  {"key B", [] { keyboard('B', 0, 0); }},
    {"unbound key", [] { keyboard('z', 0, 0); }},
};
constexpr int commandCount = sizeof everyCommand / sizeof everyCommand[0];

// A player who keeps the paddle under the ball and relaunches it, so the ball reaches the wall.
void play() {
    if (game.ballInPlay != 1)
        keyboard('b', 0, 0);
    else if (game.ballX < game.paddleX - 0.02)
        keyboard('a', 0, 0);
    else if (game.ballX > game.paddleX + 0.02)
        keyboard('d', 0, 0);
    else
        keyboard('s', 0, 0);
}

void tickAndDraw() {
    activity = "tick";
    tick(0);
    activity = "frame";
    display();
}

}  // namespace

int main() {
    // Ten thousand help boxes would drown the test log; the stream's buffer is set up during start-up.
    if (!std::freopen("/dev/null", "w", stdout)) return 2;

    // Start-up, as the program does it, then one of everything so the C library has its buffers.
    newGame();
    printHelp();
    for (const Command& command : everyCommand) {
        command.run();
        tickAndDraw();
    }
    newGame();

    constexpr int rounds = 10000;
    constexpr int commandEvery = 50;  // most rounds are play, so the ball gets to the bricks
    int bricksHit = 0;
    int highestLevel = 1;
    counting = true;
    for (int round = 0; round < rounds; ++round) {
        const int pointsBefore = game.points;
        tickAndDraw();
        if (game.points > pointsBefore) bricksHit += game.points - pointsBefore;
        if (game.level > highestLevel) highestLevel = game.level;
        const Command& command = everyCommand[(round / commandEvery) % commandCount];
        activity = round % commandEvery == 0 ? command.name : "play";
        if (round % commandEvery == 0)
            command.run();
        else
            play();
    }
    counting = false;

    std::fprintf(stderr, "%d ticks, frames and commands (bricks hit: %d, highest level: %d): %d allocations\n",
                 rounds, bricksHit, highestLevel, allocations);
    if (allocations != 0) {
        std::fprintf(stderr, "FAILED: the first allocation came from: %s\n", firstAllocatingActivity);
        return 1;
    }
    // Without bricks hit the run would have missed the busiest path of the tick.
    if (bricksHit == 0) {
        std::fprintf(stderr, "FAILED: no brick was hit, so the brick path went untested\n");
        return 1;
    }
    return 0;
}
