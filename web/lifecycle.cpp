// What the page may ask of the game when it is put away: whether the game is running freely.
#include <emscripten.h>

#include "core/game_state.h"

// Running and not in the middle of a single step: the state that P pauses, which a hidden page must
// not leave running on the few ticks it gets.
extern "C" EMSCRIPTEN_KEEPALIVE int torvaleRunsFreely() {
    return game.running == 1 && game.stepRequested == 0;
}
