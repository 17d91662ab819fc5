"""The Debian package made from this build: control data, files, policy checks, hardening, metadata, the installed
game, and the same package made again elsewhere."""
import datetime
import filecmp
import gzip
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
APP_ID = "example.torvale.torvale"
INSTALLED = {
    "game": "usr/games/torvale",
    "manual": "usr/share/man/man6/torvale.6.gz",
    "desktop": f"usr/share/applications/{APP_ID}.desktop",
    "metainfo": f"usr/share/metainfo/{APP_ID}.metainfo.xml",
    "icon": "usr/share/icons/hicolor/scalable/apps/torvale.svg",
    "copyright": "usr/share/doc/torvale/copyright",
    "changelog": "usr/share/doc/torvale/changelog.gz",
}
# Lintian's errors for a package without these; no override may hide them.
NEVER_OVERRIDDEN = ("no-changelog", "no-copyright-file", "package-section-games-but-contains-no-game")
# The remarks AppStream may make: it knows no top-level domain "example" (see packaging/CMakeLists.txt), and
# Debian 12's AppStream 0.16 predates the developer element that 1.0 asks for in place of developer_name.
APPSTREAM_ACCEPTED = ("cid-maybe-not-rdns", "unknown-tag developer")
ARCHITECTURE = os.environ["TORVALE_DEB_ARCHITECTURE"]
HARDENED = ("Position Independent Executable", "Stack protected", "Fortify Source functions",
            "Read-only relocations", "Immediate binding")


def run(*args, check=True, **kwargs):
    return subprocess.run(list(args), check=check, capture_output=True, text=True, timeout=120, **kwargs)


def pack(cpack_config, folder, **kwargs):
    """Packs the build tree of CPACK_CONFIG afresh into FOLDER, so that no test judges a stale package."""
    run(os.environ["CPACK"], "-G", "DEB", "--config", cpack_config, "-B", folder, **kwargs)
    return os.path.join(folder, f"torvale_{os.environ['TORVALE_VERSION']}_{ARCHITECTURE}.deb")


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="torvale-package-")
        cls.package = pack(os.environ["TORVALE_CPACK_CONFIG"], cls.scratch)
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

    def test_lintian_pedantic_finds_no_error_or_warning_and_nothing_hides_one(self):
        report = run("lintian", "--pedantic", "--show-overrides", "-I", "-E", self.package, check=False)
        tags = [line for line in report.stdout.splitlines() if re.match(r"[EWIPXO]: ", line)]
        self.assertEqual([tag for tag in tags if tag[0] in "EW"], [], report.stdout)
        self.assertEqual([tag for tag in tags if tag[0] == "O" and any(name in tag for name in NEVER_OVERRIDDEN)], [])
        overrides = os.path.join(self.root, "usr/share/lintian/overrides/torvale")
        if os.path.exists(overrides):
            with open(overrides) as lines:
                previous = ""
                for line in lines:
                    if line.strip() and not line.startswith("#"):
                        with self.subTest(override=line.strip()):
                            self.assertTrue(previous.startswith("#"), "an override without a reason above it")
                    previous = line

    def test_game_is_hardened(self):
        report = run("hardening-check", "--nocfprotection", self.installed("game"), check=False).stdout
        found = dict(line.strip().split(": ", 1) for line in report.splitlines()[1:] if ": " in line)
        for feature in HARDENED:
            with self.subTest(feature):
                self.assertTrue(found.get(feature, "").startswith("yes"), report)

    def test_game_code_carries_control_flow_protection(self):
        # hardening-check looks for the ELF marking, which the linker drops because Debian 12's C
        # start-up files lack it; -fcf-protection shows in the code: a callback begins with endbr64.
        if ARCHITECTURE != "amd64":
            self.skipTest("control-flow protection is x86's")
        code = run("objdump", "-d", "--demangle", os.environ["TORVALE_BUILT_GAME"]).stdout
        self.assertTrue(re.search(r"<tick\(int\)>:\n\s*[0-9a-f]+:\s+(?:[0-9a-f]{2} )+\s*endbr64", code),
                        "tick() does not begin with endbr64")

    def test_metainfo_validates_alone_and_with_the_unpacked_tree(self):
        for command in (("validate", self.installed("metainfo")), ("validate-tree", self.root)):
            with self.subTest(command[0]):
                report = run("appstreamcli", command[0], "--no-net", "--pedantic", command[1], check=False)
                remarks = re.findall(r"^\s*[EWIP]: \S+:\d*:? ?(\S+(?: developer$)?)", report.stdout, re.MULTILINE)
                self.assertEqual((report.returncode, [r for r in remarks if r not in APPSTREAM_ACCEPTED]), (0, []),
                                 report.stdout)

    def test_metainfo_names_the_desktop_entry_and_the_release_of_this_version(self):
        with open(self.installed("metainfo")) as metainfo:
            text = metainfo.read()
        self.assertIn(f"<id>{APP_ID}</id>", text)
        self.assertIn(f'<launchable type="desktop-id">{os.path.basename(INSTALLED["desktop"])}</launchable>', text)
        self.assertRegex(text, r'<release version="{}" date="\d{{4}}-\d\d-\d\d"/>'.format(
            re.escape(os.environ["TORVALE_VERSION"])))
        self.assertIn('<content_rating type="oars-1.1"', text)
        # No web address of the project's own exists: the homepage that AppStream demands is a reserved name.
        self.assertEqual(re.findall(r"https?://[^<\"]*", text), ["https://torvale.example/"])

    def test_version_and_date_come_from_the_build(self):
        version = os.environ["TORVALE_VERSION"]
        self.assertEqual(self.field("Version"), version)
        changelog = os.path.join(self.scratch, "changelog")
        with gzip.open(self.installed("changelog"), "rb") as packed, open(changelog, "wb") as plain:
            plain.write(packed.read())
        self.assertEqual(run("dpkg-parsechangelog", "-l", changelog, "-S", "Version").stdout.strip(), version)
        with gzip.open(self.installed("manual"), "rt") as page:
            heading = next(line for line in page if line.startswith(".TH"))
        match = re.fullmatch(r'\.TH TORVALE 6 (\d{4}-\d\d-\d\d) "Torvale (\S+)" "Games"\n', heading)
        self.assertIsNotNone(match, heading)
        self.assertEqual(match.group(2), version)
        released = run("dpkg-parsechangelog", "-l", changelog, "-S", "Timestamp").stdout.strip()
        built = datetime.date.fromisoformat(match.group(1))
        utc = datetime.timezone.utc
        release_day = datetime.datetime.fromtimestamp(int(released), utc).date()
        self.assertTrue(release_day <= built <= datetime.datetime.now(utc).date(), heading)

    def test_compressed_files_carry_no_name_or_time_and_maximum_compression(self):
        for what in ("manual", "changelog"):
            with self.subTest(what), open(self.installed(what), "rb") as packed:
                header = packed.read(10)
                flags, mtime, extra = header[3], header[4:8], header[8]
                self.assertEqual((header[:2], flags & 0x08, mtime, extra), (b"\x1f\x8b", 0, b"\0\0\0\0", 2))

    def test_copyright_is_machine_readable_and_carries_the_licence(self):
        with open(self.installed("copyright")) as copyright_file:
            paragraphs = copyright_file.read().split("\n\n")
        self.assertEqual(paragraphs[0].splitlines()[0],
                         "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/")
        files = next(p for p in paragraphs if p.startswith("Files: *"))
        self.assertIn("Copyright: 2026 The Torvale authors", files)
        self.assertIn("License: Expat", files)
        licence = next(p for p in paragraphs if p.startswith("License: Expat\n"))
        text = "\n".join(line[1:] if line != " ." else "" for line in licence.splitlines()[1:])
        with open(os.environ["TORVALE_LICENSE"]) as source:
            self.assertIn(text.strip(), source.read())

    def test_plain_install_keeps_bin_and_installs_the_rest_as_the_package_does(self):
        prefix = os.path.join(self.scratch, "prefix")
        run(os.environ["CMAKE"], "--install", os.path.dirname(os.environ["TORVALE_CPACK_CONFIG"]), "--prefix", prefix)
        installed = {os.path.relpath(os.path.join(top, name), prefix) for top, _, names in os.walk(prefix)
                     for name in names}
        packaged = {path.replace("usr/", "", 1) for path in INSTALLED.values()}
        self.assertEqual(installed, packaged - {"games/torvale"} | {"bin/torvale"})

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


class Reproducible(unittest.TestCase):
    """The package made again from the same commit, seen at another path, built in another folder, later, under
    another umask and locale: the same bytes."""

    def test_a_build_elsewhere_and_later_makes_the_same_package(self):
        scratch = tempfile.mkdtemp(prefix="torvale-reproducible-")
        self.addCleanup(shutil.rmtree, scratch, ignore_errors=True)
        first = pack(os.environ["TORVALE_CPACK_CONFIG"], os.path.join(scratch, "first"))
        # The tree under another name, and a build folder outside it: nothing of either path may reach the package.
        source = os.path.join(scratch, "other", "place", "torvale")
        os.makedirs(os.path.dirname(source))
        os.symlink(os.environ["TORVALE_SOURCE"], source)
        build = os.path.join(scratch, "build")
        elsewhere = dict(env=dict(os.environ, LC_ALL="C", LANG="C"), preexec_fn=lambda: os.umask(0o027))
        run(os.environ["CMAKE"], "-S", source, "-B", build, "-G", "Ninja", "-DTORVALE_BUILD_TESTS=OFF",
            f"-DCMAKE_BUILD_TYPE={os.environ['TORVALE_BUILD_TYPE']}", **elsewhere)
        run(os.environ["CMAKE"], "--build", build, "--target", "torvale", "compressed_docs", **elsewhere)
        second = pack(os.path.join(build, "CPackConfig.cmake"), os.path.join(scratch, "second"), **elsewhere)
        if not filecmp.cmp(first, second, shallow=False):
            found = shutil.which("diffoscope")
            report = run(found, first, second, check=False).stdout if found else "(scripts/setup.sh release " \
                "installs diffoscope, which shows where they differ)"
            self.fail(f"two builds of one commit made different packages:\n{report}")


if __name__ == "__main__":
    unittest.main()
