"""The right-button menu of the real game: its three entries, top to bottom, each doing its action."""
import unittest

from test_commands import PROMPT, Play, ball_centre, positions
from test_first_frame import HELP_BOX


class Menu(Play):
    def test_entries_pause_start_a_new_game_and_quit(self):
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
        self.game.choose_menu_entry(3)
        self.assertEqual(self.game.wait_exit(), 0)
        self.assertEqual(self.game.output(), HELP_BOX)

    def test_a_left_button_pick_is_not_also_a_click(self):
        # The toolkit picks on the press and hands the release to the game window.
        helps = 1

        def assert_console_unchanged(what):
            nonlocal helps
            helps += 1
            self.game.key("h")  # lands after anything the pick might wrongly print
            self.game.wait_for_output(HELP_BOX, count=helps)
            self.assertEqual(self.game.output(), HELP_BOX * helps, what)

        self.launch()
        self.game.choose_menu_entry(1)
        assert_console_unchanged("pausing by a left-button pick armed a step")
        self.assert_still("the pick did not pause, or a step ran")
        self.game.choose_menu_entry(2)
        self.wait_for_picture(lambda p: p == self.first, "the picture of a new game")
        assert_console_unchanged("a new game picked with the left button while paused armed a step")
        self.assert_still("the new game did not stay paused")
        self.game.choose_menu_entry(1)
        self.game.choose_menu_entry(2)
        assert_console_unchanged("a pick with the left button while running printed")

        # A plain click in the window while paused still steps once.
        self.game.key("p")
        self.game.click(1)
        self.game.wait_for_output(positions(0.45, 0.45))
        self.assertEqual(self.game.output(), HELP_BOX * helps + PROMPT + positions(0.45, 0.45))


if __name__ == "__main__":
    unittest.main()
