#!/usr/bin/env python3
"""Makes docs/screenshot.png: plays the real game under Xvfb until a few bricks are gone, then grabs a frame.

Usage: scripts/screenshot.py [--binary PATH] [--output PATH] [--bricks N]
Without --binary it sets up and builds the default preset first, as scripts/play.sh does. It launches the
ball, follows it with the paddle keys by reading the window's pixels, and saves the first frame that shows
the ball in flight below the wall once N bricks are gone.
"""
import argparse
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

from harness import HEIGHT, WIDTH, Game, Picture, Xvfb, close_to, expected  # noqa: E402

BALL = expected(0, 0, 1)
PADDLE = expected(1, 1, 0)
BRICK = expected(0.86, 0.62, 0.51)
PADDLE_ROW = int((1 - 0.2) * HEIGHT)
BRICK_CENTRES = [(column * 0.1 + 0.05 + (row % 2) * 0.05, 1.0 - row * 0.05 - 0.025)
                 for row in range(5) for column in range(10 - row % 2)]


def build():
    subprocess.run([os.path.join(ROOT, "scripts", "setup.sh"), "test"], check=True)
    subprocess.run(["cmake", "--preset", "default"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "default", "--target", "torvale"], cwd=ROOT, check=True)
    return os.path.join(ROOT, "build", "default", "torvale")


def grab(game):
    """The window as xwd bytes (kept to save) and as a Picture (to look at)."""
    xwd = game.display.run("xwd", "-silent", "-id", str(game.window)).stdout
    ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd, capture_output=True, check=True,
                         timeout=15).stdout
    return xwd, Picture(ppm)


def columns_of(picture, colour, y):
    """The x of every pixel of the row y that has exactly this colour."""
    row = picture.pixels[y * picture.width * 3:(y + 1) * picture.width * 3]
    needle, found, at = bytes(colour), [], row.find(bytes(colour))
    while at >= 0:
        if at % 3 == 0:
            found.append(at // 3)
        at = row.find(needle, at + 1)
    return found


def ball_centre(picture):
    """The ball's centre in the unit square, or None while it rests on the paddle (not drawn)."""
    hits = [(x, y) for y in range(0, picture.height, 2) for x in columns_of(picture, BALL, y)]
    if not hits:
        return None
    return (sum(x for x, _ in hits) / len(hits) / picture.width,
            1 - sum(y for _, y in hits) / len(hits) / picture.height)


def paddle_centre(picture):
    xs = columns_of(picture, PADDLE, PADDLE_ROW)
    return (xs[0] + xs[-1]) / 2 / picture.width if xs else None


def bricks_gone(picture):
    return sum(1 for x, y in BRICK_CENTRES if not close_to(picture.at_unit(x, y), BRICK))


def play_until_shot(game, bricks, timeout):
    """Follows the ball with the paddle; returns the xwd of the first frame that makes a good screenshot."""
    direction, resting, deadline = None, 0, time.monotonic() + timeout
    game.first_frame()
    while time.monotonic() < deadline:
        xwd, picture = grab(game)
        ball, paddle = ball_centre(picture), paddle_centre(picture)
        if ball is None:
            # A ball at rest: launch the next one; if that keeps failing the game is over, so start anew.
            resting += 1
            game.key("n" if resting % 5 == 0 else "b")
            continue
        resting = 0
        if bricks_gone(picture) >= bricks and 0.3 < ball[1] < 0.6:
            return xwd
        # The paddle outruns the ball sideways, so steering straight under it is enough.
        wanted = "s" if paddle is None or abs(ball[0] - paddle) < 0.03 else ("a" if ball[0] < paddle else "d")
        if wanted != direction:
            game.key(wanted)
            direction = wanted
    raise SystemExit(f"screenshot: no good frame within {timeout} s")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", help="the torvale to run (default: build the default preset)")
    parser.add_argument("--output", default=os.path.join(ROOT, "docs", "screenshot.png"))
    parser.add_argument("--bricks", type=int, default=12, help="bricks gone before the shot (default 12)")
    parser.add_argument("--timeout", type=float, default=240.0, help="seconds of play at most")
    options = parser.parse_args()
    os.environ["TORVALE_BINARY"] = os.path.abspath(options.binary) if options.binary else build()

    with Xvfb() as display:
        game = Game(display, stdout=subprocess.DEVNULL)
        try:
            xwd = play_until_shot(game, options.bricks, options.timeout)
        finally:
            game.stop()
    # -strip drops the title and time stamps, so the same frame always makes the same file.
    subprocess.run(["convert", "xwd:-", "-strip", "png:" + options.output], input=xwd, check=True, timeout=15)
    print(f"screenshot: wrote {options.output} ({WIDTH}x{HEIGHT})")


if __name__ == "__main__":
    main()
