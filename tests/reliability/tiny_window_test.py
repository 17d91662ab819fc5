"""A window shrunk to a single pixel and grown back: the game lives on and draws the same frame again."""
import time
import unittest

from live_game import redraws
from harness import HEIGHT, WIDTH, Game, Xvfb, wait_until


class TinyWindow(unittest.TestCase):
    def test_one_pixel_and_back_redraws_the_frame(self):
        with Xvfb() as display:
            game = Game(display)
            try:
                before = game.first_frame()  # nothing moves until a key is pressed
                window = str(game.window)
                display.run("xdotool", "windowsize", window, "1", "1")
                wait_until(lambda: game.geometry()[2:] == (1, 1), what="the 1 x 1 window")
                time.sleep(1.0)  # some 50 ticks and their frames at one pixel
                self.assertIsNone(game.process.poll(), "the game ended at one pixel")
                display.run("xdotool", "windowsize", window, str(WIDTH), str(HEIGHT))
                wait_until(lambda: game.screenshot() == before, what="the same frame at full size again")
                game.key("b")
                self.assertTrue(redraws(game), "the game no longer runs after the resize")
                self.assertEqual(game.stderr(), b"")
            finally:
                game.stop()


if __name__ == "__main__":
    unittest.main()
