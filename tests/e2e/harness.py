"""Drives the real torvale under Xvfb like a player: keys, clicks, menu, screenshots, console, exit."""
import os
import re
import shlex
import subprocess
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def fixture(name):
    """The bytes of one of the fixed texts in tests/fixtures/, which every test layer reads."""
    with open(os.path.join(HERE, "..", "fixtures", name), "rb") as text:
        return text.read()


TITLE = fixture("window_title.txt").decode().rstrip("\n")
HELP_BOX = fixture("help_box.txt")
WIDTH, HEIGHT = 400, 500
WINDOW_X, WINDOW_Y = 220, 140
CRLF_CONSOLE = os.environ.get("TORVALE_CONSOLE_CRLF") == "1"  # the game's C library writes text as CRLF
HUMAN_CLICK_SECONDS = 0.1  # how long a person holds a mouse button down in a click


def binary():
    return os.environ["TORVALE_BINARY"]


def game_command():
    """The binary, behind the program that runs it when it is not native (wine for the Windows .exe)."""
    return [*shlex.split(os.environ.get("TORVALE_LAUNCHER", "")), binary()]


def wait_until(predicate, timeout=10.0, interval=0.05, what="condition"):
    """Polls predicate until it returns a truthy value; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = predicate()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


class Xvfb:
    """A private X server for one test, on a display number the server picks itself."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        # -noreset: a server that resets when its last client leaves turns the game away if a probe such as
        # xdotool disconnects just before the game connects.
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as reader:
            number = reader.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number)
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        try:
            self.process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()

    def xdotool(self, *args):
        """An xdotool command whose failure is left to the caller (a search that finds nothing)."""
        return self.run("xdotool", *args, check=False).stdout

    def run(self, *args, check=True, **kwargs):
        return subprocess.run(list(args), env=self.env, check=check, capture_output=True, timeout=15, **kwargs)


class Game:
    """One run of the real binary on an Xvfb display, with its console collected as it arrives."""

    def __init__(self, display, args=(), stdout=subprocess.PIPE, env=None, command=None):
        self.display = display
        self.process = subprocess.Popen([*(command or game_command()), *args], env=env or display.env, stdout=stdout,
                                        stdin=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self._output = bytearray()
        self._stderr = bytearray()
        self._lock = threading.Lock()
        self._readers = [threading.Thread(target=self._collect, args=(stream, buffer), daemon=True)
                         for stream, buffer in ((self.process.stdout, self._output),
                                                (self.process.stderr, self._stderr)) if stream]
        for reader in self._readers:
            reader.start()
        try:
            self.window = wait_until(self._find_window, what="the game window")
            wait_until(self._viewable, what="the window to be mapped")
        except BaseException:
            self.stop()
            raise

    def _viewable(self):
        info = self.display.run("xwininfo", "-id", str(self.window), check=False).stdout
        return b"IsViewable" in info

    def _collect(self, stream, buffer):
        for chunk in iter(lambda: stream.read1(4096), b""):
            with self._lock:
                buffer.extend(chunk)

    def _find_window(self):
        found = self.display.run("xdotool", "search", "--name", "^" + re.escape(TITLE) + "$", check=False)
        ids = found.stdout.split()
        return int(ids[0]) if ids else None

    # Console ------------------------------------------------------------------------------------
    def output(self):
        """The console text so far; a Windows console's CRLF line ends read as LF, but only if all are CRLF."""
        with self._lock:
            text = bytes(self._output)
        if CRLF_CONSOLE and text.count(b"\n") == text.count(b"\r\n"):
            return text.replace(b"\r\n", b"\n")
        return text

    def stderr(self):
        with self._lock:
            return bytes(self._stderr)

    def wait_for_output(self, text, timeout=5.0, count=1):
        needle = text.encode() if isinstance(text, str) else text
        wait_until(lambda: self.output().count(needle) >= count, timeout, what=repr(text))

    # Input --------------------------------------------------------------------------------------
    def point_at(self, x=WIDTH // 2, y=HEIGHT // 2):
        """Moves the pointer into the window; without a window manager focus follows the pointer."""
        self.display.run("xdotool", "mousemove", "--window", str(self.window), str(x), str(y))

    def key(self, *names):
        self.point_at()
        for name in names:
            self.display.run("xdotool", "key", name)

    def click(self, button=1, x=WIDTH // 2, y=HEIGHT // 2):
        self.point_at(x, y)
        self.press_and_release(button)

    def press_and_release(self, button):
        """A click at a person's pace: an instant synthetic click hides faults that lie between the two."""
        self.display.run("xdotool", "mousedown", str(button))
        time.sleep(HUMAN_CLICK_SECONDS)
        self.display.run("xdotool", "mouseup", str(button))

    def choose_menu_entry(self, position, button=1):
        """Opens the right-button menu and picks its entry number position (1 = top) with button."""
        self.click(3)
        menu = wait_until(lambda: self._menu_geometry(), what="the pop-up menu")
        x, y, width, height = menu
        entry_height = height / 3
        target_y = int(y + entry_height * (position - 0.5))
        self.display.run("xdotool", "mousemove", str(x + width // 2), str(target_y))
        time.sleep(0.2)
        self.press_and_release(button)

    def _menu_geometry(self):
        found = self.display.run("xdotool", "search", "--onlyvisible", "--name", "^freeglut menu$", check=False)
        ids = found.stdout.split()
        if not ids:
            return None
        info = self.display.run("xwininfo", "-id", ids[0]).stdout.decode()
        values = {key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
                  for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")}
        return (values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"], values["Height"])

    def close_window(self):
        self.display.run(os.environ["TORVALE_SEND_WM_DELETE"], str(self.window))

    # Picture ------------------------------------------------------------------------------------
    def screenshot(self):
        xwd = wait_until(self._window_dump, timeout=2, interval=0.02, what="xwd to read the window")
        ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd, capture_output=True, check=True,
                             timeout=15).stdout
        return Picture(ppm)

    def _window_dump(self):
        # xwd walks the whole window tree, so a window that goes away meanwhile (a menu that closes, under
        # wine) makes it fail now and then: only a window that stays unreadable is a failure.
        dumped = self.display.run("xwd", "-silent", "-id", str(self.window), check=False)
        return dumped.stdout if dumped.returncode == 0 else None

    def first_frame(self, timeout=10.0):
        """A screenshot once the game has drawn something other than its black background."""
        return wait_until(lambda: (lambda p: p if p.pixels.strip(b"\0") else None)(self.screenshot()),
                          timeout, what="a drawn frame")

    def geometry(self):
        info = self.display.run("xwininfo", "-id", str(self.window)).stdout.decode()
        read = lambda key: int(re.search(key + r":\s+(-?\d+)", info).group(1))
        return (read("Absolute upper-left X"), read("Absolute upper-left Y"), read("Width"), read("Height"))

    # Process ------------------------------------------------------------------------------------
    def wait_exit(self, timeout=5.0):
        status = self.process.wait(timeout=timeout)
        for reader in self._readers:
            reader.join(timeout=2)
        return status

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=5)
        for reader in self._readers:
            reader.join(timeout=2)
        for stream in (self.process.stdout, self.process.stderr):
            if stream:
                stream.close()


class Picture:
    """A screenshot of the window, read from binary PPM."""

    def __init__(self, ppm):
        # convert copies the window title into a header comment: skip comments between the fields.
        match = re.match(rb"P6(?:\s+|#[^\n]*\n)*(\d+)(?:\s+|#[^\n]*\n)*(\d+)(?:\s+|#[^\n]*\n)*(\d+)\s", ppm)
        if not match:
            raise ValueError("not a binary PPM picture")
        self.width, self.height = int(match.group(1)), int(match.group(2))
        self.pixels = ppm[match.end():]

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.pixels[at:at + 3])

    def at_unit(self, ux, uy):
        """The pixel under a point of the game's unit square (y up)."""
        return self.pixel(min(int(ux * self.width), self.width - 1), min(int((1 - uy) * self.height), self.height - 1))

    def count(self, colour, box=None, tolerance=1):
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        return sum(1 for y in range(y0, y1) for x in range(x0, x1)
                   if all(abs(a - b) <= tolerance for a, b in zip(self.pixel(x, y), colour)))

    def __eq__(self, other):
        return self.pixels == other.pixels

    def differing(self, other):
        """How many pixels differ from those of other, a picture of the same size."""
        return sum(self.pixels[at:at + 3] != other.pixels[at:at + 3] for at in range(0, len(other.pixels), 3))


def first_frame_of(binary):
    """The first frame of another build of the game (the native one, to match an edition against), on an X
    server of its own."""
    with Xvfb() as display:
        game = Game(display, command=[binary])
        try:
            return game.first_frame()
        finally:
            game.stop()


def expected(r, g, b):
    """The 8-bit colour that a GL colour in [0, 1] becomes."""
    return tuple(round(c * 255) for c in (r, g, b))


def close_to(actual, wanted, tolerance=1):
    return all(abs(a - b) <= tolerance for a, b in zip(actual, wanted))
