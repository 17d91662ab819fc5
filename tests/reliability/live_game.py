"""What the reliability tests add to tests/e2e/harness.py: whether the game still redraws, and its memory."""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import wait_until  # noqa: E402  (found through the path above)


def redraws(game, interval=0.3):
    """Whether two screenshots interval seconds apart differ: a ball in flight moves while the game runs."""
    before = game.screenshot()
    time.sleep(interval)
    return game.screenshot() != before


def settled(game):
    """The picture once two screenshots a little apart agree, as they do while the game is paused."""
    def standing():
        picture = game.screenshot()
        time.sleep(0.1)
        return picture if game.screenshot() == picture else None
    return wait_until(standing, what="the picture to stand still")


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS for process %d" % pid)
