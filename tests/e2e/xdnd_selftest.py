#!/usr/bin/env python3
"""Proves the XDND drag source (xdnd.py / xdnd_drop.c) against drop_target.exe under Wine.

Every drop must arrive through WM_DROPFILES as exactly the expected Windows paths: Wine shows
the Unix file system as drive Z:, so /tmp/x/表.txt must arrive as Z:\\tmp\\x\\表.txt.

Needs an X display and a running wineserver (scripts/with-wine-session.sh provides both).
Usage: xdnd_selftest.py --target drop_target.exe --build BUILD_DIR
"""

from __future__ import annotations

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path

# Run from the source tree by CTest: leave no bytecode behind in it.
sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))
import xdnd  # noqa: E402

# Only guards against a lost drop hanging the test; nothing is asserted about durations.
ARRIVAL_LIMIT_S = 180


class Target:
    """drop_target.exe running under Wine, and what it has received so far."""

    def __init__(self, exe: str, work: Path):
        self.output = work / "received.txt"
        self.title = "xdnd 受け側 %d" % os.getpid()
        self.refusing_title = self.title + " (refuses)"
        self.log = open(work / "drop_target.log", "wb")
        self.process = subprocess.Popen(["wine", exe, str(self.output), self.title],
                                        stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def drops(self) -> list[list[str]]:
        """The complete drops received, in order (each ends with an empty line)."""
        if not self.output.exists():
            return []
        # A drop being written may end in half a character; only complete drops are used.
        text = self.output.read_bytes().decode("utf-8", "replace")
        blocks = text.split("\n\n")[:-1]
        return [block.split("\n") if block else [] for block in blocks]

    def wait_for_drops(self, count: int) -> list[list[str]]:
        limit = time.monotonic() + ARRIVAL_LIMIT_S
        while True:
            drops = self.drops()
            if len(drops) >= count:
                return drops
            if self.process.poll() is not None:
                raise AssertionError("drop_target.exe ended (exit code %s) while waiting for "
                                     "drop %d" % (self.process.returncode, count))
            if time.monotonic() > limit:
                raise AssertionError("drop %d did not arrive; %d drop(s) received"
                                     % (count, len(drops)))
            time.sleep(0.05)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        self.log.close()


class Selftest:
    def __init__(self, target: Target, build: str, work: Path):
        self.target = target
        self.build = build
        self.work = work
        self.passed = 0
        self.failed = 0

    def make(self, relative: str, folder: bool = False) -> str:
        path = self.work / "files" / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        if folder:
            path.mkdir(exist_ok=True)
        else:
            path.touch()
        return str(path)

    def drop(self, paths, **options) -> xdnd.DropResult:
        options.setdefault("window_name", self.target.title)
        options.setdefault("wait_ms", 60000)
        return xdnd.drop(paths, build_dir=self.build, **options)

    def drop_and_check(self, paths, **options) -> xdnd.DropResult:
        before = len(self.target.drops())
        result = self.drop(paths, **options)
        drops = self.target.wait_for_drops(before + 1)
        check(len(drops) == before + 1, "expected one new drop, got %d" % (len(drops) - before))
        check_paths(drops[before], paths)
        return result

    def run(self, name, fn):
        started = time.monotonic()
        try:
            fn()
        except Exception:
            self.failed += 1
            print("FAIL %s" % name)
            traceback.print_exc(file=sys.stdout)
        else:
            self.passed += 1
            print("ok   %s (%.1f s)" % (name, time.monotonic() - started))
        sys.stdout.flush()


def check(condition: bool, message: str):
    if not condition:
        raise AssertionError(message)


def check_paths(received: list[str], dropped: list[str]):
    expected = [xdnd.wine_path(p) for p in dropped]
    if received == expected:
        return
    for i, (got, want) in enumerate(zip(received, expected)):
        if got != want:
            raise AssertionError("item %d: received %r, expected %r" % (i, got, want))
    raise AssertionError("received %d item(s), expected %d" % (len(received), len(expected)))


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--target", required=True, help="drop_target.exe")
    parser.add_argument("--build", required=True, help="folder for the compiled drag source")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    args = parser.parse_args()

    if not os.environ.get("DISPLAY"):
        print("no DISPLAY: run under scripts/with-wine-session.sh")
        print("0 passed, 1 failed")
        return 1

    work = Path(tempfile.mkdtemp(prefix="xdnd-selftest."))
    target = Target(args.target, work)
    t = Selftest(target, args.build, work)
    try:
        add_cases(t)
        t.run("drop_target.exe is still running", lambda: check(
            target.process.poll() is None, "drop_target.exe ended with %s" % target.process.returncode))
    finally:
        target.stop()
        if args.keep or t.failed:
            print("files kept in %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (t.passed, t.failed))
    return 0 if t.failed == 0 else 1


def add_cases(t: Selftest):
    first_result = {}

    def plain_file():
        first_result["r"] = t.drop_and_check([t.make("plain.txt")])
        check("action XdndActionCopy" in first_result["r"].stdout, first_result["r"].stdout)
    t.run("one plain file, found by window title", plain_file)

    # 表, ソ and 能 end in byte 0x5C in Shift_JIS, the code page of a Japanese Windows.
    t.run("Japanese names, several at once", lambda: t.drop_and_check(
        [t.make("表.txt"), t.make("ソ.txt"), t.make("能力 テスト.txt")]))
    t.run("Korean name", lambda: t.drop_and_check([t.make("한국.txt")]))
    # Outside the BMP (a UTF-16 surrogate pair), and a sequence joined by U+200D.
    t.run("emoji names", lambda: t.drop_and_check(
        [t.make("😀 smile.txt"), t.make("👨‍👩‍👧 family.txt")]))
    # Characters that mean something in a URI must come through as themselves: '%41' must not
    # turn into 'A', '#' must not cut the name.
    t.run("blanks and URI-special characters", lambda: t.drop_and_check([
        t.make("a b  c.txt"), t.make(" leading blank.txt"), t.make("%41 literal.txt"),
        t.make("100% #1 (copy) [x] {y} & z + ; = , ~ ' !.txt"), t.make("semi;colon@at.txt")]))
    t.run("a folder", lambda: t.drop_and_check([t.make("フォルダ", folder=True)]))
    t.run("files and folders mixed, order kept", lambda: t.drop_and_check([
        t.make("mixed/z last.txt"), t.make("mixed/子フォルダ", folder=True), t.make("mixed/a.txt"),
        t.make("mixed/깊은/더 깊은", folder=True), t.make("mixed/🎉.dat")]))
    # Wine converts the names without looking at the files.
    t.run("a path that does not exist arrives unchanged", lambda: t.drop_and_check(
        [str(t.work / "files" / "存在しない.txt")]))

    def two_in_a_row():
        before = len(t.target.drops())
        first = [t.make("row/1つ目.txt")]
        second = [t.make("row/2つ目 a.txt"), t.make("row/2つ目 b.txt")]
        t.drop(first)
        t.drop(second)
        drops = t.target.wait_for_drops(before + 2)
        check(len(drops) == before + 2, "expected two new drops, got %d" % (len(drops) - before))
        check_paths(drops[before], first)
        check_paths(drops[before + 1], second)
    t.run("two drops in a row", two_in_a_row)

    def only_uri_list():
        r = t.drop_and_check([t.make("types/uri-list only.txt")], types=["text/uri-list"])
        check(list(r.served) == ["text/uri-list"], "served: %s" % r.served)
    t.run("only text/uri-list offered (types in XdndEnter)", only_uri_list)

    def five_types():
        types = ["text/uri-list", "UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING"]
        r = t.drop_and_check([t.make("types/five types.txt")], types=types)
        check("text/uri-list" in r.served, "served: %s" % r.served)
    t.run("five types offered (XdndTypeList)", five_types)

    def forced_incr():
        paths = [t.make("incr/項目 %03d.txt" % i) for i in range(300)]
        r = t.drop_and_check(paths, incr_threshold=4096)
        served = r.served.get("text/uri-list")
        check(served is not None and served.incremental == 1 and served.chunks > 1,
              "text/uri-list was not served incrementally: %s" % r.stdout)
    t.run("300 files through INCR in 4 KiB chunks", forced_incr)

    def many_files():
        folder = "many/長めのフォルダ名 with blanks"
        paths = [t.make("%s/ファイル番号 %05d - some longish name to make the list big.txt"
                        % (folder, i)) for i in range(2000)]
        r = t.drop_and_check(paths)
        served = r.served.get("text/uri-list")
        check(served is not None and served.incremental == 1,
              "the default threshold did not lead to INCR: %s" % r.stdout)
    t.run("2,000 files with longish names", many_files)

    def relative_point():
        t.drop_and_check([t.make("point/relative.txt")], x=30, y=40)
    t.run("drop at a point inside the named window", relative_point)

    def root_point():
        summary = first_result["r"].stdout.split(" at (", 1)[1].split(")", 1)[0]
        x, y = (int(v) for v in summary.split(","))
        t.drop_and_check([t.make("point/root.txt")], window_name=None, x=x, y=y)
    t.run("drop at root coordinates", root_point)

    def expect_failure(code, **options):
        before = len(t.target.drops())
        try:
            t.drop([t.make("nowhere.txt")], **options)
        except xdnd.XdndError as e:
            check(e.returncode == code, "exit code %s, expected %d: %s" % (e.returncode, code, e))
        else:
            raise AssertionError("the drop succeeded")
        check(len(t.target.drops()) == before, "a drop arrived anyway")

    t.run("refusing window is reported", lambda: expect_failure(
        xdnd.EXIT_REFUSED, window_name=t.target.refusing_title))
    t.run("no window under the point is reported", lambda: expect_failure(
        xdnd.EXIT_NO_TARGET, window_name=None, x=1275, y=795))
    t.run("unknown window title is reported", lambda: expect_failure(
        xdnd.EXIT_NO_TARGET, window_name="no such window %d" % os.getpid(), wait_ms=0))


if __name__ == "__main__":
    sys.exit(main())
