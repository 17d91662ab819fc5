"""Refuses another build's output that is missing or older than what it is built from, naming the command
that builds it, so that no test passes on a stale build.
Usage: fresh_build.py COMMAND BUILT... -- SOURCE...   (paths from the repository's top; a folder counts its files)"""
import os
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def check(command, built, sources):
    files = []
    for source in (os.path.join(ROOT, name) for name in sources):
        files += [os.path.join(source, name) for name in os.listdir(source)] if os.path.isdir(source) else [source]
    for program in built:
        if not os.path.exists(program):
            raise RuntimeError(f"{program} is missing: build it with {command}")
        newer = [file for file in files if os.path.getmtime(file) > os.path.getmtime(program)]
        if newer:
            raise RuntimeError(f"{program} is older than {os.path.relpath(newer[0], ROOT)}: build it with {command}")


if __name__ == "__main__":
    split = sys.argv.index("--")
    try:
        check(sys.argv[1], sys.argv[2:split], sys.argv[split + 1:])
    except RuntimeError as error:
        sys.exit(str(error))
