#!/usr/bin/env python3
"""Writes native game frames under Xvfb to standard output as binary PPMs (TORVALE_BINARY): the first frame,
then, for each argument, the frame after those keys (xdotool names, a single step among them)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Game, Xvfb, wait_until  # noqa: E402

STEP_LINE = b"Posicoes"  # printed once by every single step

with Xvfb() as display:
    game = Game(display)
    try:
        pictures = [game.first_frame()]
        for steps, keys in enumerate(sys.argv[1:], start=1):
            game.key(*keys.split())
            game.wait_for_output(STEP_LINE, count=steps)
            pictures.append(wait_until(lambda: (lambda p: p if p != pictures[-1] else None)(game.screenshot()),
                                       what="the step's frame"))
    finally:
        game.stop()
for picture in pictures:
    sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (picture.width, picture.height) + picture.pixels)
