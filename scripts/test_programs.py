#!/usr/bin/env python3
"""Prints the programs the tests of a CMake build folder run, and the release zip they check, as
paths relative to it, so that scripts/test.sh builds just those (with what they depend on) and
no benchmark or tool that no test runs. CTest says what each test runs: its command and the
arguments that name files of the build's bin and dist folders.

Usage: test_programs.py BUILD_DIR
"""

import json
import os
import subprocess
import sys


def main():
    build = os.path.abspath(sys.argv[1])
    listing = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                             check=True, capture_output=True, text=True).stdout
    made = tuple(os.path.join(build, folder) + os.sep for folder in ("bin", "dist"))
    programs = set()
    for test in json.loads(listing)["tests"]:
        for word in test.get("command", []):
            if word.startswith(made):
                programs.add(os.path.relpath(word, build))
    if not programs:
        sys.exit(f"test_programs.py: no test of {build} runs a program of its bin folder")
    print("\n".join(sorted(programs)))


if __name__ == "__main__":
    main()
