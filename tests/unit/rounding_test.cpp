// The wall and a ball at a brick's edge against values rounded operation by operation, as the formulas read:
// a compiler that fuses a multiply and an add rounds once where they round twice, and the game differs.
#include <cmath>
#include <iomanip>

#include "core/simulation.h"
#include "test_support.h"

namespace {

// A volatile store rounds to a double that the next operation cannot be fused with.
double rounded(double value) {
    volatile double stored = value;
    return stored;
}

double writtenCentreX(int row, int column) {
    return rounded(rounded(rounded(column * 0.1) + 0.05) + rounded((row % 2) * 0.05));
}

double writtenCentreY(int row) { return rounded(rounded(1.0 - rounded(row * 0.05)) - 0.025); }

}  // namespace

TEST(Rounding, EveryBrickCentreIsTheFormulaRoundedAsWritten) {
    startFreshGame();
    for (int row = 0; row < wallRows; ++row) {
        for (int column = 0; column < wallColumns; ++column) {
            const Brick& brick = game.bricks[row][column];
            EXPECT_EQ(brick.x, writtenCentreX(row, column))
                << std::setprecision(17) << "row " << row << ", column " << column << ": x = " << brick.x;
            EXPECT_EQ(brick.y, writtenCentreY(row)) << std::setprecision(17) << "row " << row << ": y = " << brick.y;
        }
    }
}

// A ball stepping right, level with the brick, from the last start that still misses it and from the next
// double, which touches it: halving the gap between a start that misses and one that touches finds both.
TEST(Rounding, ABallAtTheEdgeOfColumnsSixAndSevenHitsThereAndNotBefore) {
    const int row = 4;
    for (const int column : {6, 7}) {
        const double brickX = writtenCentreX(row, column);
        // As the hit test reads: the double distance after the step narrowed to float, against the double window.
        const auto touchesFrom = [brickX](double startX) {
            const float distance = static_cast<float>(rounded(brickX - rounded(startX + 0.006)));  // level 1's step
            return std::fabs(distance) <= rounded(0.01 + 0.049);
        };
        double misses = brickX - 0.07;
        double touches = brickX - 0.05;
        while (std::nextafter(misses, touches) != touches) {
            const double middle = rounded(misses + rounded(rounded(touches - misses) * 0.5));
            if (touchesFrom(middle))
                touches = middle;
            else
                misses = middle;
        }

        for (const double startX : {misses, touches}) {
            startFreshGame();
            game.bricks[row][column - 1].alive = 0;  // the neighbour on the left, which the ball would reach first
            game.ballInPlay = 1;
            game.ballX = startX;
            game.ballY = game.bricks[row][column].y;
            tick(0);
            EXPECT_EQ(game.points, startX == touches ? 1 : 0)
                << std::setprecision(17) << "column " << column << ", ball from x = " << startX;
        }
    }
}
