"""A short game of the binary as built (the sanitized one in the sanitizer run): play, step, quit cleanly."""
import time
import unittest

import live_game
from harness import Game, Xvfb


class Smoke(unittest.TestCase):
    def test_short_game_quits_with_status_zero_and_nothing_on_stderr(self):
        with Xvfb() as display:
            game = Game(display)
            try:
                game.first_frame()
                game.key("h", "d", "s", "a", "b")
                self.assertTrue(live_game.redraws(game), "the launched ball does not move")
                game.key("p", "o")
                game.wait_for_output(" Posicoes -  raquete = [")
                game.choose_menu_entry(2)
                time.sleep(0.2)  # the left button's release may arm a step: let its tick pass before P
                game.key("p", "l", "b")
                self.assertTrue(live_game.redraws(game), "the new game's ball does not move")
                game.key("q")
                self.assertEqual(game.wait_exit(timeout=20), 0)
                self.assertEqual(game.stderr().decode(errors="replace"), "")
            finally:
                game.stop()


if __name__ == "__main__":
    unittest.main()
