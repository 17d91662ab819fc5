"""The Windows .exe under wine on Xvfb: the Linux end-to-end tests played again, and its first frame."""
import os
import re
import shlex
import subprocess
import unittest

import fresh_build
import harness
import test_commands
import test_first_frame
import test_menu

LAUNCHER = shlex.split(os.environ["TORVALE_LAUNCHER"])


def setUpModule():
    """The Linux build's game and window-closing helper: there, and not older than what they are built from."""
    command = "cmake --preset default && cmake --build --preset default"
    fresh_build.check(command, [os.environ["TORVALE_NATIVE_BINARY"]], ["core", "frontend"])
    fresh_build.check(command, [os.environ["TORVALE_SEND_WM_DELETE"]], ["tests/e2e/send_wm_delete.cpp"])


class WineDesktop(harness.Xvfb):
    """An X server with openbox managing its windows and wine's services started on it.

    Without a window manager wine's pop-up menu often fails to take a pick (it opens again), and keys
    reach the game only after a click in its window. The services are started once, on this display, so that
    every game of a test class finds them running and none outlives the X server."""

    def __enter__(self):
        super().__enter__()
        try:
            self.stop_wine()  # a server from an earlier run would keep its services on another display
            self.window_manager = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            harness.wait_until(lambda: b"_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run("xprop", "-root").stdout,
                               what="openbox")
            subprocess.run([*LAUNCHER, "wineboot"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120, check=True)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        self.stop_wine()
        if getattr(self, "window_manager", None):
            self.window_manager.terminate()
            self.window_manager.wait(timeout=5)
        super().__exit__(*exc)

    def stop_wine(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=30)

    def game_windows(self):
        found = self.run("xdotool", "search", "--name", "^" + re.escape(harness.TITLE) + "$", check=False)
        return found.stdout.split()


class OnWine:
    """Every game of the test class on one wine desktop, each started once the last one's window is gone."""

    @classmethod
    def setUpClass(cls):
        cls.desktop = WineDesktop().__enter__()
        cls.addClassCleanup(cls.desktop.__exit__, None, None, None)

    def fresh_game(self):
        harness.wait_until(lambda: not self.desktop.game_windows(), what="the last game's window to go")
        game = harness.Game(self.desktop)
        self.addCleanup(game.stop)
        return game


class FirstFrame(test_first_frame.FirstFrame):
    @classmethod
    def setUpClass(cls):
        cls.display = WineDesktop().__enter__()
        cls.addClassCleanup(cls.display.__exit__, None, None, None)
        cls.game = harness.Game(cls.display)
        cls.addClassCleanup(cls.game.stop)
        cls.game.wait_for_output(test_first_frame.HELP_BOX)
        cls.picture = cls.game.first_frame()

    def test_window_has_its_size_place_and_title(self):
        # On Windows the window's outer corner goes to (220, 140): its drawing area lies inside the border and
        # caption that this wine draws.
        frame = subprocess.run([*LAUNCHER, os.environ["TORVALE_WINDOW_FRAME"]], env=self.display.env,
                               stdin=subprocess.DEVNULL, capture_output=True, timeout=60, check=True)
        left, top = map(int, frame.stdout.split())
        self.assertEqual(self.game.geometry(), (harness.WINDOW_X + left, harness.WINDOW_Y + top, harness.WIDTH,
                                                harness.HEIGHT))
        name = self.display.run("xdotool", "getwindowname", str(self.game.window)).stdout.decode().strip()
        self.assertEqual(name, harness.TITLE)

    def test_first_frame_is_the_linux_game_s_pixel_for_pixel(self):
        linux = harness.first_frame_of(os.environ["TORVALE_NATIVE_BINARY"])
        self.assertEqual((self.picture.width, self.picture.height), (linux.width, linux.height))
        self.assertEqual(self.picture.differing(linux), 0, "pixels differ")


class Commands(OnWine, test_commands.Commands):
    pass


class Menu(OnWine, test_menu.Menu):
    pass


if __name__ == "__main__":
    unittest.main()
