"""The real game's start: help box on the console, the window, and the colours of its first frame."""
import unittest

from harness import HEIGHT, HELP_BOX, TITLE, WIDTH, WINDOW_X, WINDOW_Y, Game, Xvfb, close_to, expected

BRICK = expected(0.86, 0.62, 0.51)
BLACK, WHITE, YELLOW = (0, 0, 0), (255, 255, 255), (255, 255, 0)


def wall_centres():
    for row in range(5):
        for column in range(10):
            yield row, column, column * 0.1 + 0.05 + (row % 2) * 0.05, 1.0 - row * 0.05 - 0.025


class FirstFrame(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Class cleanups run even when set-up fails half-way, so no server or game outlives the test.
        cls.display = Xvfb().__enter__()
        cls.addClassCleanup(cls.display.__exit__, None, None, None)
        cls.game = Game(cls.display)
        cls.addClassCleanup(cls.game.stop)
        cls.game.wait_for_output(HELP_BOX)
        cls.picture = cls.game.first_frame()

    def test_help_box_is_the_whole_console_once(self):
        self.assertEqual(self.game.output(), HELP_BOX)

    def test_window_has_its_size_place_and_title(self):
        self.assertEqual(self.game.geometry(), (WINDOW_X, WINDOW_Y, WIDTH, HEIGHT))
        name = self.display.run("xdotool", "getwindowname", str(self.game.window)).stdout.decode().strip()
        self.assertEqual(name, TITLE)

    def test_live_bricks_are_brick_coloured_and_dead_cells_black(self):
        for row, column, x, y in wall_centres():
            dead = row in (1, 3) and column == 9
            with self.subTest(row=row, column=column):
                pixel = self.picture.at_unit(min(x, 0.999), y)
                self.assertTrue(close_to(pixel, BLACK if dead else BRICK), pixel)

    def test_paddle_is_yellow_and_the_bar_white(self):
        self.assertTrue(close_to(self.picture.at_unit(0.45, 0.2), YELLOW))
        self.assertTrue(close_to(self.picture.at_unit(0.5, 0.145), WHITE))
        self.assertTrue(close_to(self.picture.at_unit(0.45, 0.2125 + 0.005), BLACK), "resting ball not drawn")

    def test_status_line_has_white_text(self):
        # Helvetica 12 at raster (0.2, 0.1): the glyphs lie just above that baseline.
        baseline = int((1 - 0.1) * HEIGHT)
        box = (int(0.2 * WIDTH), baseline - 12, WIDTH, baseline + 3)
        self.assertGreater(self.picture.count(WHITE, box), 50)


if __name__ == "__main__":
    unittest.main()
