"""The console going away loses no game: stdout a pipe whose reader has gone or a full device, stdin closed."""
import os
import subprocess
import time
import unittest
from unittest import mock

from live_game import redraws, settled
from harness import Game, Xvfb, wait_until


class ConsoleGone(unittest.TestCase):
    def setUp(self):
        self.display = Xvfb().__enter__()
        self.addCleanup(self.display.__exit__, None, None, None)

    def start(self, **options):
        game = Game(self.display, **options)
        self.addCleanup(game.stop)
        return game

    def assert_plays_on(self, game):
        """H, O and P write to the console; the game must keep running, stepping, drawing and then quit."""
        game.first_frame()
        game.key("h", "b")
        self.assert_alive(game)
        self.assertTrue(redraws(game), "the launched ball does not move")
        game.key("p")
        paused = settled(game)
        game.key("o")
        self.assert_alive(game)
        stepped = wait_until(lambda: (lambda p: p if p != paused else None)(game.screenshot()),
                             what="the single step's frame")
        self.assertFalse(redraws(game), "paused again after the step")
        self.assertNotEqual(stepped, paused)
        game.key("h", "p")
        self.assertTrue(redraws(game), "the game does not run again")
        game.key("q")
        self.assertEqual(game.wait_exit(), 0)
        self.assertEqual(game.stderr(), b"")

    def assert_alive(self, game):
        time.sleep(0.1)
        self.assertIsNone(game.process.poll(), "the game ended after writing to the console")

    def test_stdout_a_pipe_whose_reader_has_exited(self):
        read_end, write_end = os.pipe()
        reader = subprocess.Popen(["head", "-c", "1"], stdin=read_end, stdout=subprocess.DEVNULL)
        os.close(read_end)
        game = self.start(stdout=write_end)
        os.close(write_end)
        self.assertEqual(reader.wait(timeout=10), 0)  # it read the start of the help box and left
        self.assert_plays_on(game)

    def test_stdout_the_full_device(self):
        with open("/dev/full", "wb") as full:
            game = self.start(stdout=full)
        self.assert_plays_on(game)

    def test_stdin_closed(self):
        binary = os.environ["TORVALE_BINARY"]
        with mock.patch.dict(os.environ, TORVALE_BINARY="/bin/sh"):
            game = self.start(args=("-c", 'exec "$0" <&-', binary))
        self.assert_plays_on(game)
        self.assertIn(b"\n Posicoes -  raquete = [", game.output())


if __name__ == "__main__":
    unittest.main()
