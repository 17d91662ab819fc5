// Rules every game state keeps whatever led to it, shared by the random-play and extreme-state tests.
#pragma once

#include <cmath>
#include <string>

#include "core/game_state.h"

// Returns the first rule the current state breaks, or an empty text when it keeps them all.
inline std::string brokenStateRule() {
    const double measures[] = {game.paddleX, game.paddleY,  game.paddleHeight, game.paddleWidth, game.ballX,
                               game.ballY,   game.prevBallX, game.prevBallY,   game.ballSpeed};
    for (const double value : measures)
        if (!std::isfinite(value)) return "a position, size or speed is " + std::to_string(value);
    for (const auto& row : game.bricks)
        for (const Brick& brick : row)
            if (!std::isfinite(brick.x) || !std::isfinite(brick.y)) return "a brick centre is not finite";

    if (game.ballDirX != -1 && game.ballDirX != +1) return "ballDirX is " + std::to_string(game.ballDirX);
    if (game.ballDirY != -1 && game.ballDirY != +1) return "ballDirY is " + std::to_string(game.ballDirY);
    if (game.paddleDirection < -1 || game.paddleDirection > +1)
        return "paddleDirection is " + std::to_string(game.paddleDirection);
    for (const int flag : {game.running, game.stepRequested, game.ballInPlay})
        if (flag != 0 && flag != 1) return "a flag holds " + std::to_string(flag);
    if (game.running == 0 && game.stepRequested == 1) return "paused with a step still requested";
    if (game.ballsLeft < 0) return "ballsLeft is " + std::to_string(game.ballsLeft);
    if (game.bricks[1][9].alive != 0 || game.bricks[3][9].alive != 0) return "a dead cell of the wall came alive";

    // The stop is tested before each 0.01 step and the step is never shortened.
    constexpr double oneStep = 0.01 + 1e-9;
    const double halfWidth = game.paddleWidth * 0.5;
    if (game.paddleX < halfWidth - oneStep || game.paddleX > 1.0 - halfWidth + oneStep)
        return "paddle centre " + std::to_string(game.paddleX) + " is more than a step past its stop";
    return {};
}
