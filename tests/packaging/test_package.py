"""The Debian package made from this build: control data, files, manual page, desktop entry and the installed game."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from harness import Game, Xvfb, close_to, expected
from test_first_frame import HELP_BOX

STEP_PROMPT = "Use a tecla O para passo-a-passo, ou a tecla P para continuar."
MENU_LABELS = ("Pausa ou Continua<P>", "Novo Jogo<N>", "Sai do Jogo<Q>")
INSTALLED = {
    "game": "usr/bin/torvale",
    "manual": "usr/share/man/man6/torvale.6.gz",
    "desktop": "usr/share/applications/torvale.desktop",
    "icon": "usr/share/icons/hicolor/scalable/apps/torvale.svg",
}


def run(*args, **kwargs):
    return subprocess.run(list(args), check=True, capture_output=True, text=True, timeout=120, **kwargs)


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Built afresh from the current build tree, so the test never judges a stale package.
        cls.scratch = tempfile.mkdtemp(prefix="torvale-package-")
        run(os.environ["CPACK"], "-G", "DEB", "--config", os.environ["TORVALE_CPACK_CONFIG"], "-B", cls.scratch)
        architecture = run("dpkg", "--print-architecture").stdout.strip()
        cls.package = os.path.join(cls.scratch, f"torvale_{os.environ['TORVALE_VERSION']}_{architecture}.deb")
        cls.root = os.path.join(cls.scratch, "root")
        run("dpkg", "-x", cls.package, cls.root)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def installed(self, what):
        return os.path.join(self.root, INSTALLED[what])

    def field(self, name):
        return run("dpkg-deb", "-f", self.package, name).stdout.strip()

    def test_control_names_the_game_in_section_games_with_a_maintainer(self):
        self.assertEqual(self.field("Package"), "torvale")
        self.assertEqual(self.field("Section"), "games")
        self.assertRegex(self.field("Maintainer"), r"^[^<>]+ <[^@<>\s]+@[^@<>\s]+>$")
        self.assertTrue(self.field("Description"))

    def test_depends_names_the_package_of_every_library_the_game_links(self):
        depends = {re.match(r"[\w.+-]+", alternative.strip()).group(0)
                   for alternative in re.split(r"[,|]", self.field("Depends"))}
        dynamic = run("readelf", "-d", self.installed("game")).stdout
        for library in re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]", dynamic):
            with self.subTest(library=library):
                owners = {line.split(":")[0] for line in run("dpkg", "-S", "*/" + library).stdout.splitlines()}
                self.assertTrue(owners & depends, f"{library} comes from {owners}, Depends has {depends}")

    def test_files_are_installed_in_their_places(self):
        listing = run("dpkg-deb", "-c", self.package).stdout
        for what, path in INSTALLED.items():
            with self.subTest(what):
                self.assertRegex(listing, r"\s\./" + re.escape(path) + "\n")
        self.assertTrue(os.access(self.installed("game"), os.X_OK))

    def test_manual_page_renders_without_warnings_and_quotes_the_console_texts(self):
        page = subprocess.run(["man", "--warnings", "-l", self.installed("manual")], capture_output=True,
                              text=True, timeout=60, env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
        self.assertEqual((page.returncode, page.stderr), (0, ""))
        for text in [*HELP_BOX.decode().splitlines(), STEP_PROMPT, *MENU_LABELS, " Posicoes -  raquete = ["]:
            with self.subTest(text=text):
                self.assertTrue(text in page.stdout, "not in the rendered page")
        self.assertIn("EXIT STATUS", page.stdout)

    def test_desktop_entry_is_valid_and_names_the_installed_game_and_icon(self):
        self.assertEqual(run("desktop-file-validate", self.installed("desktop")).stdout, "")
        with open(self.installed("desktop")) as entry:
            keys = dict(line.strip().split("=", 1) for line in entry if "=" in line and not line.startswith("#"))
        self.assertEqual(keys["Exec"], os.path.basename(INSTALLED["game"]))
        self.assertEqual(keys["Icon"] + ".svg", os.path.basename(INSTALLED["icon"]))

    def test_installed_game_opens_its_window_and_draws_the_first_frame(self):
        os.environ["TORVALE_BINARY"] = self.installed("game")
        with Xvfb() as display:
            game = Game(display)
            try:
                game.wait_for_output(HELP_BOX)
                picture = game.first_frame()
                self.assertTrue(close_to(picture.at_unit(0.05, 0.975), expected(0.86, 0.62, 0.51)))
                self.assertTrue(close_to(picture.at_unit(0.45, 0.2), expected(1, 1, 0)))
            finally:
                game.stop()


if __name__ == "__main__":
    unittest.main()
