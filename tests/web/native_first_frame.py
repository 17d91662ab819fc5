#!/usr/bin/env python3
"""Writes the native game's first frame under Xvfb to standard output as binary PPM (TORVALE_BINARY)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Game, Xvfb  # noqa: E402

with Xvfb() as display:
    game = Game(display)
    try:
        picture = game.first_frame()
    finally:
        game.stop()
sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (picture.width, picture.height) + picture.pixels)
