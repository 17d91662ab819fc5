"""The Windows zip made from this build: its files, the DLLs its game needs, and the unpacked game under wine."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile

import harness
from test_first_frame import HELP_BOX
from test_wine import LAUNCHER, WineDesktop

# What every Windows installation has: the system's own DLLs and its C runtime.
WINDOWS_DLLS = {"advapi32.dll", "gdi32.dll", "glu32.dll", "kernel32.dll", "msvcrt.dll", "opengl32.dll",
                "user32.dll", "winmm.dll"}


class Zip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Packed afresh from the current build tree, so the test never judges a stale zip.
        cls.scratch = tempfile.mkdtemp(prefix="torvale-zip-")
        cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        subprocess.run([os.environ["CPACK"], "-G", "ZIP", "--config", os.environ["TORVALE_CPACK_CONFIG"],
                        "-B", cls.scratch], check=True, capture_output=True, timeout=120)
        cls.folder = f"torvale-{os.environ['TORVALE_VERSION']}-win64"
        with zipfile.ZipFile(os.path.join(cls.scratch, cls.folder + ".zip")) as packed:
            cls.names = sorted(packed.namelist())
            packed.extractall(cls.scratch)
        cls.game = os.path.join(cls.scratch, cls.folder, "torvale.exe")

    def test_holds_the_game_readme_licence_and_freeglut_notice_in_one_folder(self):
        self.assertEqual(self.names, [f"{self.folder}/{name}" for name in
                                      ("LICENSE.txt", "README.txt", "freeglut-COPYING.txt", "torvale.exe")])
        with open(os.path.join(self.scratch, self.folder, "freeglut-COPYING.txt")) as notice:
            self.assertIn("Copyright (c) 1999-2000 Pawel W. Olszta", notice.read())
        with open(os.path.join(self.scratch, self.folder, "README.txt"), "rb") as readme:
            self.assertRegex(readme.read(), rb"\A([^\n]*\r\n)+\Z", "not every line of README.txt ends in CRLF")

    def test_game_is_a_stripped_console_program_needing_only_the_dlls_of_windows_itself(self):
        objdump = lambda flag: subprocess.run(["x86_64-w64-mingw32-objdump", flag, self.game], check=True,
                                              capture_output=True, text=True, timeout=60).stdout
        headers = objdump("-p")
        # A console program: started from Explorer it gets the console where the help box appears.
        self.assertRegex(headers, r"Subsystem\s+00000003\s+\(Windows CUI\)")
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertTrue(imported, "no imports read")
        self.assertLessEqual(imported, WINDOWS_DLLS)
        self.assertNotIn(".debug_info", objdump("-h"))

    def test_unpacked_game_starts_and_quits_with_status_0(self):
        with WineDesktop() as desktop:
            game = harness.Game(desktop, command=[*LAUNCHER, self.game])
            try:
                game.wait_for_output(HELP_BOX)
                game.first_frame()
                game.key("q")
                self.assertEqual(game.wait_exit(timeout=10), 0)
                self.assertEqual(game.output(), HELP_BOX)
            finally:
                game.stop()


if __name__ == "__main__":
    unittest.main()
