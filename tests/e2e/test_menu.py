"""The right-button menu of the real game: its three entries, top to bottom, each doing its action."""
import unittest

from test_commands import Play, ball_centre
from test_first_frame import HELP_BOX


class Menu(Play):
    def test_entries_pause_start_a_new_game_and_quit(self):
        # Picked with the right button: a left release after the pick would reach the game as a click.
        self.launch()
        self.game.choose_menu_entry(1, button=3)
        frozen = self.assert_still("the first entry did not pause")
        self.assertIsNotNone(ball_centre(frozen), "the ball left play before the pause")
        self.game.choose_menu_entry(1, button=3)
        self.wait_for_picture(lambda p: not p == frozen, "the first entry to continue")
        self.game.choose_menu_entry(1, button=3)
        self.assert_still("the first entry did not pause again")
        # No tick redraws while paused: the new game shows with the menu choice.
        self.game.choose_menu_entry(2, button=3)
        self.wait_for_picture(lambda p: p == self.first, "the picture of a new game")
        self.game.choose_menu_entry(3)  # the left button is safe here: the game ends on the press
        self.assertEqual(self.game.wait_exit(), 0)
        self.assertEqual(self.game.output(), HELP_BOX)


if __name__ == "__main__":
    unittest.main()
