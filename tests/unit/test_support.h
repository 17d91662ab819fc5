// Shared helpers for the unit tests: a fresh game, console capture and float comparison.
#pragma once

#include <gtest/gtest.h>

#include "core/game_state.h"
#include "fake_toolkit.h"

// The state as the program loads it, then a new game, with an empty call record.
inline void startFreshGame() {
    game = GameState{};
    newGame();
    fake::reset();
}

template <typename Action>
std::string consoleTextOf(Action action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

inline int liveBricks() {
    int live = 0;
    for (const auto& row : game.bricks)
        for (const Brick& brick : row) live += brick.alive == 1;
    return live;
}
