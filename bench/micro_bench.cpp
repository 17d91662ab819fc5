// Micro-benchmarks of the game's own CPU work per tick, per frame and per key, against a null toolkit.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "core/game_state.h"
#include "core/simulation.h"
#include "frontend/commands.h"
#include "frontend/drawing.h"

namespace {

// A full wall and a ball climbing from (0.5, 0.74): after its move it is within reach of two row-4
// bricks without hitting either, so the tick tests every standing brick, takes the longest path through
// the two it touches, and changes nothing on the wall. Only ball and paddle need putting back.
void setUpWorstCaseTick() {
    newGame();
    game.running = 1;
    game.ballInPlay = 1;
    game.paddleDirection = +1;
}

void restoreWorstCaseTick() {
    game.paddleX = 0.45;
    game.ballX = 0.5;
    game.ballY = 0.74;
    game.ballDirX = +1;
    game.ballDirY = +1;
}

void worstCaseTick(benchmark::State& state) {
    setUpWorstCaseTick();
    for (auto _ : state) {
        restoreWorstCaseTick();
        tick(0);
        benchmark::ClobberMemory();
    }
    // Guard the premise: a hit or a turn would mean the loop measured an easier tick.
    if (game.points != 0 || game.ballDirX != +1 || game.ballDirY != +1 || game.ballY < 0.7)
        state.SkipWithError("the tick did not stay in the brick zone without a hit");
}
BENCHMARK(worstCaseTick);

// In the running game 20 ms of driver, X server and other programs pass between two calls, so part of
// the game's code and data has left the caches. The cold variants bound that from above: they write
// over 64 MiB, twice this machine's L3, between calls and time only the call.
constexpr std::size_t evictionBytes = 64u << 20;
constexpr int coldIterations = 100;  // fixed: the eviction is not timed and would stretch the run

void evictCaches() {
    static std::vector<char> buffer(evictionBytes);
    for (std::size_t at = 0; at < buffer.size(); at += 64) buffer[at] = static_cast<char>(buffer[at] + 1);
    benchmark::ClobberMemory();
}

template <typename Call>
void timeCold(benchmark::State& state, Call call) {
    for (auto _ : state) {
        evictCaches();
        const auto start = std::chrono::steady_clock::now();
        call();
        benchmark::ClobberMemory();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}

void worstCaseTickCold(benchmark::State& state) {
    setUpWorstCaseTick();
    timeCold(state, [] {
        restoreWorstCaseTick();
        tick(0);
    });
}
BENCHMARK(worstCaseTickCold)->UseManualTime()->Iterations(coldIterations);

// The busiest frame: every brick standing, a ball in play with its trail, the status line.
void setUpBusiestFrame() {
    newGame();
    game.ballInPlay = 1;
    game.ballX = 0.5;
    game.ballY = 0.5;
    game.prevBallX = 0.494;
    game.prevBallY = 0.494;
}

void frame(benchmark::State& state) {
    setUpBusiestFrame();
    for (auto _ : state) {
        display();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(frame);

void frameCold(benchmark::State& state) {
    setUpBusiestFrame();
    timeCold(state, display);
}
BENCHMARK(frameCold)->UseManualTime()->Iterations(coldIterations);

void keyCommand(benchmark::State& state, unsigned char key) {
    newGame();
    for (auto _ : state) {
        keyboard(key, 0, 0);
        benchmark::ClobberMemory();
    }
}
// D changes a direction; N, the dearest key that prints nothing, rebuilds the whole wall.
BENCHMARK_CAPTURE(keyCommand, d, 'd');
BENCHMARK_CAPTURE(keyCommand, n, 'n');

}  // namespace

BENCHMARK_MAIN();
