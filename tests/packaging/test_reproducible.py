"""The Debian package made again from the same commit, seen at another path, built in another folder, later,
under another umask and locale: the same bytes."""
import filecmp
import os
import shutil
import tempfile
import unittest

from test_package import pack, run


class Reproducible(unittest.TestCase):
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
