"""The real game driven like a player: paddle keys, launch, pause, single steps, help, new game, quit, game over."""
import re
import time
import unittest

from harness import HEIGHT, Game, Xvfb, close_to, expected, wait_until
from test_first_frame import HELP_BOX, WHITE, YELLOW

PROMPT = b"\nUse a tecla O para passo-a-passo, ou a tecla P para continuar."
REST_Y = 0.005 * 0.5 + 0.2 + 0.01
BALL, PREVIOUS_BALL = expected(0, 0, 1), expected(0.25, 0.25, 1)
PADDLE_ROW = int((1 - 0.2) * HEIGHT)
STATUS_BOX = (0, int((1 - 0.1) * HEIGHT) - 12, 400, int((1 - 0.1) * HEIGHT) + 3)
GAME_OVER_BOX = (160, 230, 320, 255)  # "FIM DE JOGO" in Helvetica 18 on the baseline at (0.4, 0.5)
OTHER_KEYS = ("Home", "End", "Prior", "Next", "Insert",
              *(f"F{n}" for n in range(1, 13)), "c", "Z", "1", "space", "Escape", "Return")


def positions(paddle_x, ball_x):
    return b"\n Posicoes -  raquete = [ %.2f,   %.2f]      bola = [ %.2f,   %.2f] " % (paddle_x, 0.2, ball_x, REST_Y)


def pixels_like(picture, colour):
    """(x, y) of every pixel within 1 of colour on each channel."""
    channel = b"".join(b"[\\x%02x-\\x%02x]" % (max(c - 1, 0), min(c + 1, 255)) for c in colour)
    starts = (match.start() for match in re.finditer(b"(?=" + channel + b")", picture.pixels))
    return [((at // 3) % picture.width, (at // 3) // picture.width) for at in starts if at % 3 == 0]


def ball_centre(picture):
    found = pixels_like(picture, BALL)
    return (sum(x for x, _ in found) / len(found), sum(y for _, y in found) / len(found)) if found else None


def paddle_x(picture):
    """The paddle's centre in unit x, read off the yellow run across its middle row."""
    xs = [x for x in range(picture.width) if close_to(picture.pixel(x, PADDLE_ROW), YELLOW)]
    return (xs[0] + xs[-1] + 1) / 2 / picture.width if xs else None


def crop(picture, box):
    x0, y0, x1, y1 = box
    return b"".join(picture.pixels[(y * picture.width + x0) * 3:(y * picture.width + x1) * 3] for y in range(y0, y1))


def without(picture, box):
    """The picture's pixels with box blacked out."""
    pixels = bytearray(picture.pixels)
    x0, y0, x1, y1 = box
    for y in range(y0, y1):
        pixels[(y * picture.width + x0) * 3:(y * picture.width + x1) * 3] = bytes((x1 - x0) * 3)
    return bytes(pixels)


class Play(unittest.TestCase):
    """A fresh game on its own X server for every test, with its first frame."""

    def setUp(self):
        self.game = self.fresh_game()
        self.display = self.game.display
        self.first = self.game.first_frame()

    def fresh_game(self):
        display = Xvfb().__enter__()
        self.addCleanup(display.__exit__, None, None, None)
        game = Game(display)
        self.addCleanup(game.stop)
        return game

    def settled(self, read=lambda picture: picture, hold=0.3):
        """A reading once two screenshots in a row agree, and the reading again hold seconds later."""
        last = [None]

        def agrees():
            now = read(self.game.screenshot())
            same = last[0] is not None and now == last[0]
            last[0] = now
            return same

        wait_until(agrees, timeout=10, what="the picture to stand still")
        time.sleep(hold)
        return last[0], read(self.game.screenshot())

    def assert_paddle_still_at(self, x):
        still, later = self.settled(paddle_x)
        self.assertEqual(still, later, "the paddle moved")
        self.assertAlmostEqual(still, x, delta=0.004)

    def assert_still(self, what):
        still, later = self.settled()
        self.assertTrue(still == later, what)
        return still

    def wait_for_picture(self, test, what):
        return wait_until(lambda: (lambda p: p if test(p) else None)(self.game.screenshot()), 10, what=what)

    def launch(self):
        self.game.key("b")
        return self.wait_for_picture(lambda p: ball_centre(p), "the launched ball")


class Commands(Play):
    def test_b_launches_a_ball_that_flies_and_is_counted(self):
        self.assertEqual(pixels_like(self.first, BALL), [], "a ball at rest is not drawn")
        launched = self.launch()
        self.assertNotEqual(crop(launched, STATUS_BOX), crop(self.first, STATUS_BOX), "ball count unchanged")
        seen = ball_centre(launched)
        moved = self.wait_for_picture(lambda p: ball_centre(p) not in (None, seen), "the ball to move")
        self.assertTrue(pixels_like(moved, PREVIOUS_BALL), "previous-ball square not drawn")

    def test_paddle_keys_move_and_stop_the_paddle_in_either_case(self):
        read = lambda: paddle_x(self.game.screenshot())
        self.assertAlmostEqual(paddle_x(self.first), 0.45, delta=0.004)
        for left, stop, right in (("a", "s", "d"), ("J", "K", "L"), ("A", "S", "D"), ("j", "k", "l")):
            with self.subTest(keys=left + stop + right):
                start = read()
                self.game.key(left)
                wait_until(lambda: read() < start - 0.02, what=f"{left} to move the paddle left")
                self.game.key(stop)
                stopped, later = self.settled(paddle_x)
                self.assertEqual(stopped, later, f"{stop} did not stop the paddle")
                self.assertTrue(0.08 < stopped < 0.92, f"{stop} left the paddle to run into the wall")
                self.game.key(right)
                wait_until(lambda: read() > stopped + 0.02, what=f"{right} to move the paddle right")
                self.game.key(stop)
                stopped, later = self.settled(paddle_x)
                self.assertTrue(stopped == later and 0.08 < stopped < 0.92, f"{stop} did not stop the paddle")

    def test_a_held_arrow_moves_the_paddle_until_let_go_and_up_launches(self):
        self.game.point_at()
        self.display.run("xdotool", "keydown", "Right")
        self.wait_for_picture(lambda p: paddle_x(p) > 0.5, "the paddle to move right")
        self.display.run("xdotool", "keyup", "Right")
        self.game.key("p")
        for count in (1, 2):  # two steps, each printing where the paddle stands
            self.game.key("o")
            self.game.wait_for_output("Posicoes", count=count)
        stops = re.findall(rb"raquete = \[ ([\d.]+)", self.game.output())
        self.assertTrue(len(stops) == 2 and stops[0] == stops[1], b"the paddle moved on: " + b" ".join(stops))
        self.assertTrue(0.5 < float(stops[0]) < 0.92, "the paddle ran into the wall")
        self.game.key("p", "Up")
        self.wait_for_picture(lambda p: ball_centre(p), "the launched ball")

    def test_p_freezes_the_picture_and_p_again_continues(self):
        self.launch()
        self.game.key("P")
        frozen = self.assert_still("the picture changed while paused")
        self.assertIsNotNone(ball_centre(frozen), "the ball left play before the pause")
        self.game.key("p")
        self.wait_for_picture(lambda p: not p == frozen, "the game to go on")

    def test_o_and_a_left_click_each_make_one_step_and_pause_again(self):
        # Paused with the paddle set moving right: each step moves it 0.01, and only one step.
        self.game.key("p", "d", "O")
        self.game.wait_for_output(positions(0.46, 0.46))
        self.assertEqual(self.game.output(), HELP_BOX + PROMPT + positions(0.46, 0.46))
        self.assert_paddle_still_at(0.46)

        self.game.point_at()
        self.display.run("xdotool", "mousedown", "1")
        self.game.key("h")  # the help box lands after anything the press might wrongly print
        self.game.wait_for_output(HELP_BOX, count=2)
        self.display.run("xdotool", "mouseup", "1")
        self.game.wait_for_output(positions(0.47, 0.47))
        stepped = HELP_BOX + PROMPT + positions(0.46, 0.46) + HELP_BOX + PROMPT + positions(0.47, 0.47)
        self.assertEqual(self.game.output(), stepped)
        self.assert_paddle_still_at(0.47)

        # Running: neither O nor a click steps or prints; the paddle runs on to the right wall.
        self.game.key("p", "o")
        self.game.click(1)
        self.game.key("h")
        self.game.wait_for_output(HELP_BOX, count=3)
        self.wait_for_picture(lambda p: paddle_x(p) > 0.9, "the paddle to run to the right wall")
        self.assertEqual(self.game.output(), stepped + HELP_BOX)

    def test_h_prints_the_help_box_again_in_either_case(self):
        self.game.key("h", "H")
        self.game.wait_for_output(HELP_BOX, count=3)
        self.assertEqual(self.game.output(), HELP_BOX * 3)

    def test_n_starts_a_new_game(self):
        self.launch()
        self.game.key("a")
        self.wait_for_picture(lambda p: paddle_x(p) < 0.4, "the paddle to move")
        self.game.key("n")
        self.wait_for_picture(lambda p: p == self.first, "the picture of a new game")
        self.assert_paddle_still_at(0.45)

    def test_keys_outside_the_table_change_nothing(self):
        self.launch()
        self.game.key(*OTHER_KEYS, "h")
        self.game.wait_for_output(HELP_BOX, count=2)
        self.assertEqual(self.game.output(), HELP_BOX * 2)
        time.sleep(0.3)
        before = self.game.screenshot()
        self.assertAlmostEqual(paddle_x(before), 0.45, delta=0.004)
        seen = ball_centre(before)
        self.assertIsNotNone(seen, "the ball left play")
        self.wait_for_picture(lambda p: ball_centre(p) not in (None, seen), "the ball to fly on")
        self.assertIsNone(self.game.process.poll())

    def test_q_in_either_case_ends_with_status_0(self):
        self.game.key("q")
        self.assertEqual(self.game.wait_exit(), 0)
        self.assertEqual(self.game.output(), HELP_BOX)
        paused = self.fresh_game()
        paused.first_frame()  # keys typed before the game draws may come before it listens (seen under wine)
        paused.key("p", "Q")
        self.assertEqual(paused.wait_exit(), 0)

    def test_closing_the_window_ends_with_status_0_and_all_console_text_out(self):
        # Closed once the step shows in the picture, not once its text arrives: the text may come at the end.
        self.game.key("h", "p", "d", "o")
        self.wait_for_picture(lambda p: abs(paddle_x(p) - 0.46) < 0.004, "the single step")
        self.game.close_window()
        self.assertEqual(self.game.wait_exit(), 0)
        self.assertEqual(self.game.output(), HELP_BOX * 2 + PROMPT + positions(0.46, 0.46))

    def test_losing_every_ball_shows_the_game_over_and_raises_the_record(self):
        # From the left wall every ball breaks a brick and comes down far to the paddle's right.
        self.game.key("a")
        self.wait_for_picture(lambda p: paddle_x(p) < 0.076, "the paddle at the left wall")
        self.assertEqual(self.first.count(WHITE, GAME_OVER_BOX), 0)

        def launched_until_over():
            self.game.key("b")  # refused while a ball is in play
            picture = self.game.screenshot()
            return picture if picture.count(WHITE, GAME_OVER_BOX) > 50 else None

        over = wait_until(launched_until_over, timeout=60, interval=0.2, what="the game over")
        self.assertIsNone(ball_centre(over))
        # The new game differs from the first only in the record (the status line's last glyph, "0" at
        # first), which it keeps from the game over.
        self.game.key("n")
        renewed = self.wait_for_picture(lambda p: p.count(WHITE, GAME_OVER_BOX) == 0, "a new game")
        text_end = max(x for x, y in pixels_like(self.first, WHITE) if STATUS_BOX[1] <= y < STATUS_BOX[3])
        record = (text_end - 8, STATUS_BOX[1], 400, STATUS_BOX[3])
        self.assertTrue(crop(renewed, record) == crop(over, record), "record not kept by the new game")
        self.assertTrue(crop(renewed, record) != crop(self.first, record), "record still 0")
        self.assertTrue(without(renewed, record) == without(self.first, record), "not a new game")


if __name__ == "__main__":
    unittest.main()
