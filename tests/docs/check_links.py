#!/usr/bin/env python3
"""Every relative link and picture in README.md and docs/*.md names a file that exists, and a #part of it
names one of that file's headings, as GitHub renders them."""
import glob
import os
import re
import sys
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
CODE = re.compile(r"```.*?```|`[^`\n]*`", re.S)


def anchors(markdown):
    """The ids GitHub gives a file's headings: lower case, punctuation dropped, spaces as hyphens."""
    headings = re.findall(r"^#+\s+(.*)$", CODE.sub("", markdown), re.M)
    return {re.sub(r"[^\w\- ]", "", h.strip().lower()).replace(" ", "-") for h in headings}


def broken_links(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    for target in LINK.findall(CODE.sub("", text)):
        if re.match(r"[a-z]+:", target):
            continue  # another site's address is not this tree's to check
        name, _, part = target.partition("#")
        linked = os.path.normpath(os.path.join(os.path.dirname(path), name)) if name else path
        if not os.path.exists(linked):
            yield f"{os.path.relpath(path, ROOT)}: {target}: no such file"
        elif part and linked.endswith(".md"):
            with open(linked, encoding="utf-8") as f:
                if part not in anchors(f.read()):
                    yield f"{os.path.relpath(path, ROOT)}: {target}: no such heading"


class DocumentLinks(unittest.TestCase):
    def test_every_relative_link_resolves(self):
        documents = [os.path.join(ROOT, "README.md")] + sorted(glob.glob(os.path.join(ROOT, "docs", "*.md")))
        self.assertGreater(len(documents), 1)
        broken = [problem for document in documents for problem in broken_links(document)]
        self.assertEqual(broken, [], "\n".join(broken))


if __name__ == "__main__":
    sys.exit(unittest.main())
