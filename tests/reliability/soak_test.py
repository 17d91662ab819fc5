"""About a minute of random keys, clicks and menu choices: the game keeps running, drawing and its memory."""
import os
import random
import time
import unittest

import live_game
from harness import HEIGHT, WIDTH, Game, Xvfb, wait_until

SECONDS = float(os.environ.get("TORVALE_SOAK_SECONDS", "60"))
WARM_UP = min(10.0, SECONDS / 6)
SEED = int(os.environ.get("TORVALE_SOAK_SEED", str(random.randrange(1 << 30))))
ALLOWED_GROWTH_KIB = 1024

# Everything a player might hit but Q, which quits. Function and arrow keys reach no callback at all.
KEYS = ([c for c in "abcdefghijklmnoprstuvwxyz" if c != "q"] + [c for c in "ABCDEFGHIJKLMNOPRSTUVWXYZ" if c != "Q"]
        + list("0123456789") + ["space", "Return", "Tab", "BackSpace", "Escape", "Delete", "comma", "period",
                                "slash", "minus", "Left", "Right", "Up", "Down", "Home", "End", "F1", "F5"])


class Soak(unittest.TestCase):
    def test_random_play_keeps_the_game_running_drawing_and_within_its_memory(self):
        chance = random.Random(SEED)
        with Xvfb() as display:
            game = Game(display)
            try:
                game.first_frame()
                pid = game.process.pid
                done = {"keys": 0, "clicks": 0, "menus": 0}
                warm_kib = None
                start = time.monotonic()
                while time.monotonic() - start < SECONDS:
                    if warm_kib is None and time.monotonic() - start >= WARM_UP:
                        warm_kib = live_game.resident_kib(pid)
                    self.act(game, chance, done)
                    self.assertIsNone(game.process.poll(), f"the game ended (seed {SEED}, {done})")
                end_kib = live_game.resident_kib(pid)

                self.assert_redraws_while_running(game)
                print(f"soak: {SECONDS:.0f} s, seed {SEED}, {done['keys']} keys, {done['clicks']} clicks, "
                      f"{done['menus']} menus; VmRSS {warm_kib} KiB after {WARM_UP:.0f} s, {end_kib} KiB at the end")
                self.assertLessEqual(end_kib - warm_kib, ALLOWED_GROWTH_KIB, f"resident memory grew (seed {SEED})")
                self.assertEqual(game.stderr().decode(errors="replace"), "")
                game.key("q")
                self.assertEqual(game.wait_exit(), 0)
            finally:
                game.stop()

    def act(self, game, chance, done):
        x, y = chance.randrange(WIDTH), chance.randrange(HEIGHT)
        roll = chance.random()
        if roll < 0.6:
            keys = chance.choices(KEYS, k=chance.randint(1, 6))
            game.point_at(x, y)
            game.display.run("xdotool", "key", "--delay", "0", *keys)
            done["keys"] += len(keys)
        elif roll < 0.93:
            # Left, middle and the wheel; the right button is the menu's and is only opened below.
            game.click(chance.choice((1, 2, 4, 5)), x, y)
            done["clicks"] += 1
        else:
            if chance.random() < 0.75:
                game.choose_menu_entry(chance.choice((1, 2)))  # never the third: it quits
            else:
                # The menu opens down and right of the pointer: a click up and left of it dismisses it.
                x, y = max(x, 40), max(y, 40)
                game.click(3, x, y)
                wait_until(game._menu_geometry, what="the pop-up menu")
                game.click(1, x - 30, y - 30)
            wait_until(lambda: not game._menu_geometry(), what="the menu to close")
            done["menus"] += 1

    def assert_redraws_while_running(self, game):
        """A new game shown at once, a launched ball, and the picture moves, after one P if it was paused."""
        game.choose_menu_entry(2)
        wait_until(lambda: not game._menu_geometry(), what="the menu to close")
        time.sleep(0.2)  # the left button's release may arm a single step: let its tick pass
        game.key("b")
        if not live_game.redraws(game):
            game.key("p")
            self.assertTrue(live_game.redraws(game), "the game neither runs nor continues after P")


if __name__ == "__main__":
    unittest.main()
