// The wall and a ball on a brick's edge against values rounded operation by operation, as the formulas read.
// A compiler that fuses a multiply and an add rounds once where they round twice, and the game differs.
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
    const double across = rounded(rounded(column * 0.1) + 0.05);
    return rounded(across + rounded((row % 2) * 0.05));
}

double writtenCentreY(int row) { return rounded(rounded(1.0 - rounded(row * 0.05)) - 0.025); }

// Where a ball moving right from x ends its next step, and whether it then touches a brick centred at
// brickX across, as the hit test reads: the double distance narrowed to float, against the double window.
constexpr double levelOneSpeed = 0.006;

double stepRight(double x) { return rounded(x + levelOneSpeed); }

bool touchesAcross(double brickX, double ballX) {
    const float distance = static_cast<float>(rounded(brickX - ballX));
    return std::fabs(distance) <= rounded(0.01 + 0.049);
}

}  // namespace

TEST(Rounding, EveryBrickCentreIsTheFormulaRoundedAsWritten) {
    startFreshGame();
    for (int row = 0; row < wallRows; ++row) {
        for (int column = 0; column < wallColumns; ++column) {
            const Brick& brick = game.bricks[row][column];
            EXPECT_EQ(brick.x, writtenCentreX(row, column))
                << std::setprecision(17) << "row " << row << ", column " << column << ": " << brick.x;
            EXPECT_EQ(brick.y, writtenCentreY(row)) << std::setprecision(17) << "row " << row << ": " << brick.y;
        }
    }
}

// The last start from which a ball stepping right misses the brick, and the next double, from which it
// touches it: found by halving the gap between a start that misses and one that touches.
TEST(Rounding, ABallOnTheEdgeOfColumnsSixAndSevenHitsAtTheRoundedEdgeAndNotBefore) {
    const int row = 4;
    for (const int column : {6, 7}) {
        const double brickX = writtenCentreX(row, column);
        double misses = brickX - 0.07;
        double touches = brickX - 0.05;
        while (std::nextafter(misses, touches) != touches) {
            const double middle = rounded(misses + rounded(rounded(touches - misses) * 0.5));
            if (touchesAcross(brickX, stepRight(middle)))
                touches = middle;
            else
                misses = middle;
        }

        struct Case { double startX; int hits; };
        for (const Case c : {Case{misses, 0}, Case{touches, 1}}) {
            startFreshGame();
            game.bricks[row][column - 1].alive = 0;  // the neighbour on the left, which the ball would reach first
            game.ballInPlay = 1;
            game.ballX = c.startX;
            game.ballY = game.bricks[row][column].y;  // level with the brick: a hit from the side
            game.ballDirX = +1;
            game.ballDirY = +1;
            tick(0);
            EXPECT_EQ(game.points, c.hits) << "column " << column << ", ball from x = " << c.startX;
            EXPECT_EQ(game.bricks[row][column].alive, 1 - c.hits) << "column " << column;
            EXPECT_EQ(game.ballDirX, c.hits ? -1 : +1) << "column " << column;
        }
    }
}
