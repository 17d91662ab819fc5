#!/usr/bin/env python3
"""Writes native frames of the game under Xvfb to standard output as binary PPM pictures (TORVALE_BINARY).

With no argument, the first frame. With step counts, ascending, the game is paused, a ball launched and
the frame taken after each of that many single steps by O, as the browser tests play the web edition.
Usage: native_frames.py [STEPS...]"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Game, Xvfb  # noqa: E402

POSITIONS = b" Posicoes - "
SETTLE_SECONDS = 0.1  # the frame that a step asks for, drawn after the step's console text


def frames(game, steps):
    if not steps:
        yield game.first_frame()
        return
    game.first_frame()
    game.point_at()
    game.key("p", "b")
    done = 0
    for wanted in steps:
        while done < wanted:
            game.key("o")
            done += 1
            game.wait_for_output(POSITIONS, count=done)
        time.sleep(SETTLE_SECONDS)
        yield game.screenshot()


with Xvfb() as display:
    game = Game(display)
    try:
        for picture in frames(game, [int(step) for step in sys.argv[1:]]):
            sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (picture.width, picture.height) + picture.pixels)
    finally:
        game.stop()
