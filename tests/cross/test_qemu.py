"""A cross edition's game under qemu-user on Xvfb: the native game's first frame, and a single step's exact console
text."""
import os
import unittest

import fresh_build
import harness
from test_commands import PROMPT, positions
from test_first_frame import HELP_BOX


def setUpModule():
    command = "cmake --preset default && cmake --build --preset default"
    fresh_build.check(command, [os.environ["TORVALE_NATIVE_BINARY"]], ["core", "frontend"])


class OnQemu(unittest.TestCase):
    def setUp(self):
        display = harness.Xvfb().__enter__()
        self.addCleanup(display.__exit__, None, None, None)
        self.game = harness.Game(display)
        self.addCleanup(self.game.stop)
        self.game.wait_for_output(HELP_BOX)
        self.picture = self.game.first_frame(timeout=30)

    def test_first_frame_is_the_native_game_s_pixel_for_pixel(self):
        native = harness.first_frame_of(os.environ["TORVALE_NATIVE_BINARY"])
        self.assertEqual((self.picture.width, self.picture.height), (native.width, native.height))
        self.assertEqual(self.picture.differing(native), 0, "pixels differ")

    def test_p_then_o_makes_one_step_and_prints_the_prompt_and_the_positions(self):
        self.game.key("p", "O")
        self.game.wait_for_output(positions(0.45, 0.45), timeout=15)
        self.assertEqual(self.game.output(), HELP_BOX + PROMPT + positions(0.45, 0.45))


if __name__ == "__main__":
    unittest.main()
