#!/usr/bin/env python3
"""Runs StandInArchiver.exe under Wine with the exact command lines and list files that Velkin
hands to its archiver, then reads back the archives with zipfile and the JSON log lines.

Needs WINEPREFIX, DISPLAY and LANG=ja_JP.UTF-8 from scripts/with-wine-session.sh, so that the
ANSI code page is 932. Prints "N passed, M failed" and exits non-zero on any failure.
"""
import argparse
import base64
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile

PASSED = 0
FAILED = 0


def check(condition, what, detail=None):
    global PASSED, FAILED
    if condition:
        PASSED += 1
    else:
        FAILED += 1
        print(f"FAIL: {what}" + (f": {detail!r}" if detail is not None else ""))
    return condition


class Runner:
    def __init__(self, standin, launcher, work):
        self.standin = standin
        self.launcher = launcher
        self.work = work
        self.win_work = subprocess.run(["winepath", "-w", work], check=True, capture_output=True,
                                       text=True).stdout.strip()
        self.log = os.path.join(work, "standin.jsonl")
        self.count = 0

    def win(self, unix_path):
        """The Windows path of a path under the work folder."""
        rel = os.path.relpath(unix_path, self.work)
        return self.win_work + ("" if rel == "." else "\\" + rel.replace("/", "\\"))

    def line(self, switches, archive_win, list_win):
        """The command line exactly as Velkin joins it."""
        return f'"{self.win(self.standin)}" A {switches} "{archive_win}" "@{list_win}"'

    def start(self, raw_line, env_extra=None):
        self.count += 1
        line_file = os.path.join(self.work, f"line{self.count}.txt")
        with open(line_file, "wb") as f:
            f.write(raw_line.encode("utf-8"))
        env = dict(os.environ)
        for name in ("VELKIN_STANDIN_DELAY_MS", "VELKIN_STANDIN_EXIT_CODE"):
            env.pop(name, None)
        env["VELKIN_STANDIN_LOG"] = self.win(self.log)
        env.update(env_extra or {})
        return subprocess.Popen(["wine", self.launcher, self.win(line_file)], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                stdin=subprocess.DEVNULL, text=True, errors="replace")

    def finish(self, raw_line, process, env_extra=None):
        """The launcher's output once it has ended. A launcher that never said "starting" never
        ran (a Wine start lost on a loaded machine, seen once): it started nothing, so it is
        started again; one that did and then said nothing more is a failure."""
        for attempt in (1, 2, 3):
            out, err = process.communicate(timeout=120)
            if out.startswith("starting") or attempt == 3:
                break
            print(f"note: the launcher did not run (exit {process.returncode}, "
                  f"stderr {err.strip()[-500:]!r}); starting it again")
            process = self.start(raw_line, env_extra)
        if "exit code:" not in out:
            print(f"launcher said: {out!r}, exit {process.returncode}, "
                  f"stderr {err.strip()[-500:]!r}")
        return out

    def log_lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, "rb") as f:
            return f.read().split(b"\n")[:-1]

    def run(self, raw_line, env_extra=None):
        """Runs one line; returns (exit code, seconds taken, the log record it appended)."""
        before = len(self.log_lines())
        began = time.monotonic()
        out = self.finish(raw_line, self.start(raw_line, env_extra), env_extra)
        elapsed = time.monotonic() - began
        match = re.search(r"exit code: (\d+)", out)
        code = int(match.group(1)) if match else None
        lines = self.log_lines()
        record = None
        if check(len(lines) == before + 1, "one log line per run", len(lines) - before):
            record = json.loads(lines[-1].decode("utf-8"))
            check(record["commandLine"] == raw_line, "raw command line logged",
                  record["commandLine"])
        return code, elapsed, record


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def ansi_list(paths):
    return b"".join(p.encode("cp932") + b"\r\n" for p in paths)


def utf16_list(paths):
    return b"\xff\xfe" + "".join(p + "\r\n" for p in paths).encode("utf-16-le")


def zip_contents(path):
    with zipfile.ZipFile(path) as archive:
        check(archive.testzip() is None, f"CRCs of {os.path.basename(path)}")
        check(all(info.flag_bits & 0x800 for info in archive.infolist()),
              f"UTF-8 flag on every name of {os.path.basename(path)}")
        return {info.filename: (None if info.is_dir() else archive.read(info))
                for info in archive.infolist()}


ISO = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")


def iso_time(text):
    return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%S.%fZ")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--standin", required=True)
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    # The stand-in is run from inside the work folder, whose Windows path the lines then name.
    standin = os.path.join(work, "StandInArchiver.exe")
    shutil.copy(args.standin, standin)
    r = Runner(standin, args.launcher, work)

    data = os.path.join(work, "data")
    out = os.path.join(work, "out dir")
    os.makedirs(out)
    files = {
        "報告書 2024.txt": "日本語の中身\n".encode("utf-8"),
        "plain a.txt": b"plain content " * 100,
        "한글 파일.txt": "한국어 내용".encode("utf-8"),
        "日本語 フォルダ/中身.txt": b"inside",
        "日本語 フォルダ/sub/深い.txt": b"deep " * 1000,
        "日本語 フォルダ/空/.keep": b"",
    }
    for name, content in files.items():
        write(os.path.join(data, name), content)
    os.remove(os.path.join(data, "日本語 フォルダ/空/.keep"))  # an empty folder
    jp_file = r.win(os.path.join(data, "報告書 2024.txt"))
    plain = r.win(os.path.join(data, "plain a.txt"))
    korean = r.win(os.path.join(data, "한글 파일.txt"))
    folder = r.win(os.path.join(data, "日本語 フォルダ"))
    folder_entries = {
        "日本語 フォルダ/": None,
        "日本語 フォルダ/sub/": None,
        "日本語 フォルダ/sub/深い.txt": files["日本語 フォルダ/sub/深い.txt"],
        "日本語 フォルダ/中身.txt": b"inside",
        "日本語 フォルダ/空/": None,
    }

    # ANSI list, default switches, a folder, blanks in every path.
    list1 = os.path.join(work, "list one.lst")
    list1_bytes = ansi_list([jp_file, folder, plain])
    write(list1, list1_bytes)
    archive1 = os.path.join(out, "アーカイブ 1.zip")
    raw = r.line("-EP1 -S -M5 -MD4096", r.win(archive1), r.win(list1))
    code, _, rec = r.run(raw)
    check(code == 0, "ANSI run succeeds", code)
    expected = {"報告書 2024.txt": files["報告書 2024.txt"], "plain a.txt": files["plain a.txt"]}
    expected.update(folder_entries)
    check(zip_contents(archive1) == expected, "ANSI run: names and contents")
    if rec:
        check(base64.b64decode(rec["listFileBase64"]) == list1_bytes, "list bytes in base64")
        check(rec["listEncoding"] == "ansi", "encoding ansi", rec["listEncoding"])
        check(rec["ansiCodePage"] == 932, "ANSI code page 932", rec["ansiCodePage"])
        check(rec["listEntries"] == [jp_file, folder, plain], "decoded entries", rec["listEntries"])
        check(rec["command"] == "A" and rec["switches"] == "-EP1 -S -M5 -MD4096", "command, switches")
        check(rec["switchList"] == ["-EP1", "-S", "-M5", "-MD4096"], "switch list")
        check(rec["archivePath"] == r.win(archive1), "archive path", rec["archivePath"])
        check(rec["listFilePath"] == r.win(list1), "list path", rec["listFilePath"])
        check(ISO.match(rec["start"]) and ISO.match(rec["end"]), "ISO times", rec["start"])
        check(isinstance(rec["pid"], int) and rec["pid"] > 0, "process id", rec["pid"])
        check(sorted(a["name"] for a in rec["added"]) == sorted(expected), "added names logged")
        check(rec["exitCode"] == 0 and rec["archiveWritten"], "exit 0 and archive written")
        check("-S: ignored (solid archives do not exist in ZIP)" in rec["notDone"],
              "ignored switch said so", rec["notDone"])

    # UTF-16 list (a Korean name has no Shift-JIS form), -df and -ioff given.
    list2 = os.path.join(work, "list2.lst")
    list2_bytes = utf16_list([korean, jp_file, korean])
    write(list2, list2_bytes)
    archive2 = os.path.join(out, "two.zip")
    code, _, rec = r.run(r.line("-EP1 -S -M5 -MD4096 -df -ioff", r.win(archive2), r.win(list2)))
    check(code == 0, "UTF-16 run succeeds", code)
    check(zip_contents(archive2) == {"한글 파일.txt": files["한글 파일.txt"],
                                     "報告書 2024.txt": files["報告書 2024.txt"]},
          "UTF-16 run: names and contents, duplicate once")
    check(os.path.exists(os.path.join(data, "한글 파일.txt")) and
          os.path.exists(os.path.join(data, "報告書 2024.txt")), "-df: files still exist")
    if rec:
        check(rec["listEncoding"] == "utf16le", "encoding utf16le", rec["listEncoding"])
        check(base64.b64decode(rec["listFileBase64"]) == list2_bytes, "UTF-16 bytes in base64")
        check(rec["listEntries"] == [korean, jp_file, korean], "UTF-16 entries, duplicate kept")
        check("-df: not acted on: files not deleted" in rec["notDone"], "-df said", rec["notDone"])
        check("-ioff: not acted on: computer not turned off" in rec["notDone"], "-ioff said")

    # Empty switches (two blanks), no -EP1, a .rar path: the full path below the drive.
    list3 = os.path.join(work, "list3.lst")
    write(list3, ansi_list([plain, folder]))
    archive3 = os.path.join(out, "three.rar")
    raw = r.line("", r.win(archive3), r.win(list3))
    check(" A  \"" in raw, "empty switches leave two blanks")
    code, _, rec = r.run(raw)
    check(code == 0, "empty switches run succeeds", code)
    below = r.win(data).split(":\\", 1)[1].replace("\\", "/")
    names = set(zip_contents(archive3))
    want = {f"{below}/plain a.txt"} | {f"{below}/{n}" for n in folder_entries}
    check(names == want, "no -EP1: path without its drive", sorted(names ^ want))
    if rec:
        check(rec["switches"] == "" and rec["switchList"] == [], "empty switches logged")
        check("RAR format: the .rar archive holds ZIP content" in rec["notDone"], ".rar said")

    # Quoted switch with a blank, -afzip in odd case, an existing archive replaced.
    archive4 = os.path.join(out, "four.zip")
    write(archive4, b"not a zip at all")
    code, _, rec = r.run(r.line('-ap"my dir" -AfZiP -EP1 -M0', r.win(archive4), r.win(list1)))
    check(code == 0, "quoted switch run succeeds", code)
    check(zip_contents(archive4) == expected, "existing archive replaced by the new one")
    if rec:
        check(rec["switchList"] == ['-ap"my dir"', "-AfZiP", "-EP1", "-M0"], "quoted switch kept",
              rec["switchList"])
    check(not [n for n in os.listdir(out) if n.endswith(".tmp")], "no temporary file left")

    # Extra blanks between the tokens.
    archive5 = os.path.join(out, "five.zip")
    raw = f'"{r.win(standin)}"   A   -EP1   "{r.win(archive5)}"   "@{r.win(list1)}"   '
    code, _, rec = r.run(raw)
    check(code == 0, "extra blanks tolerated", code)
    check(os.path.exists(archive5) and zip_contents(archive5) == expected, "extra blanks archive")
    if rec:
        check(len(rec["commandLineNotes"]) >= 3, "extra blanks noted", rec["commandLineNotes"])

    # Delay honoured: the run does not end before it.
    code, elapsed, rec = r.run(r.line("-EP1", r.win(os.path.join(out, "six.zip")), r.win(list1)),
                               {"VELKIN_STANDIN_DELAY_MS": "1500"})
    check(code == 0, "delayed run succeeds", code)
    check(elapsed >= 1.5, "did not end before the delay (wall clock)", elapsed)
    if rec:
        check(rec["delayMs"] == 1500, "delay logged")
        check(rec["durationMs"] >= 1500, "did not end before the delay (own clock)",
              rec["durationMs"])
        span = iso_time(rec["end"]) - iso_time(rec["start"])
        check(span.total_seconds() >= 1.5, "start and end 1.5 s apart at least", span)

    # Forced exit codes.
    code, _, rec = r.run(r.line("-EP1", r.win(os.path.join(out, "seven.zip")), r.win(list1)),
                         {"VELKIN_STANDIN_EXIT_CODE": "7"})
    check(code == 7, "forced exit code 7", code)
    check(os.path.exists(os.path.join(out, "seven.zip")), "forced code: archive still made")
    if rec:
        check(rec["exitCode"] == 7 and rec["exitCodeForced"] and rec["exitCodeChosen"] == 0,
              "forced code logged")

    # A missing listed file: logged, exit 1, the rest archived; forced 0 hides only the code.
    gone = r.win(os.path.join(data, "ない.txt"))
    list8 = os.path.join(work, "list8.lst")
    write(list8, ansi_list([gone, plain]))
    archive8 = os.path.join(out, "eight.zip")
    code, _, rec = r.run(r.line("-EP1", r.win(archive8), r.win(list8)))
    check(code == 1, "missing file: exit 1", code)
    check(zip_contents(archive8) == {"plain a.txt": files["plain a.txt"]}, "the rest archived")
    if rec:
        check(rec["missing"] == [gone], "missing file logged", rec["missing"])
    code, _, rec = r.run(r.line("-EP1", r.win(archive8), r.win(list8)),
                         {"VELKIN_STANDIN_EXIT_CODE": "0"})
    check(code == 0, "missing file, forced 0", code)
    if rec:
        check(rec["exitCodeChosen"] == 1 and rec["exitCode"] == 0, "chosen 1, forced 0")

    # No archive path, and an archive that cannot be written.
    code, _, rec = r.run(r.line("-EP1", "", r.win(list1)))
    check(code == 2, "empty archive path: exit 2", code)
    if rec:
        check(rec["archivePath"] == "" and not rec["archiveWritten"], "empty path logged")
    code, _, rec = r.run(r.line("-EP1", r.win(os.path.join(work, "no such dir", "x.zip")),
                                r.win(list1)))
    check(code == 2, "unwritable archive: exit 2", code)
    if rec:
        check(rec["errors"] and not rec["archiveWritten"], "unwritable archive logged")

    # Odd input: never a crash, always a log line and a non-zero code.
    code, _, rec = r.run(f'"{r.win(standin)}" A -EP1 "{r.win(archive8)}" "{r.win(list1)}"')
    check(code == 3, "missing @: exit 3", code)
    if rec:
        check(rec["commandLineUnderstood"] is False, "missing @ logged")

    for name, content, what in (("garbage", bytes(range(256)) * 4, "garbage list"),
                                ("high", bytes(range(0x80, 0x100)) + b"\r\n",
                                 "bytes above 0x7F only")):
        listed = os.path.join(work, name + ".lst")
        write(listed, content)
        code, _, rec = r.run(r.line("-EP1", r.win(os.path.join(out, name[0] + ".zip")),
                                    r.win(listed)))
        check(code not in (None, 0), f"{what}: non-zero", code)
        if rec:
            check(base64.b64decode(rec["listFileBase64"]) == content, f"{name} bytes logged")

    bad16 = os.path.join(work, "bad16.lst")
    write(bad16, b"\xff\xfe" + "C:\\a".encode("utf-16-le") + b"\x00\xd8\r\x00\n\x00x")
    code, _, rec = r.run(r.line("-EP1", r.win(os.path.join(out, "b.zip")), r.win(bad16)))
    check(code == 4, "invalid UTF-16: exit 4", code)
    if rec:
        check(rec["listEncoding"] == "utf16le" and len(rec["listProblems"]) == 2,
              "invalid UTF-16 problems logged", rec["listProblems"])

    empty = os.path.join(work, "empty.lst")
    write(empty, b"")
    code, _, rec = r.run(r.line("-EP1", r.win(os.path.join(out, "e.zip")), r.win(empty)))
    check(code == 1, "empty list: exit 1", code)
    check(not os.path.exists(os.path.join(out, "e.zip")), "empty list: no archive")

    long_list = os.path.join(work, "long.lst")
    write(long_list, ansi_list(["C:\\" + "x" * 40000, plain]))
    code, _, rec = r.run(r.line("-EP1", r.win(os.path.join(out, "l.zip")), r.win(long_list)))
    check(code == 1, "very long line: missing, exit 1", code)

    code, _, rec = r.run(r.line("-EP1", r.win(archive8), r.win(os.path.join(work, "none.lst"))))
    check(code == 4, "list file missing: exit 4", code)

    code, _, rec = r.run(r.line("-EP1", r.win(archive8), r.win(list1)).replace(" A ", " X ", 1))
    check(code == 3, "unknown command: exit 3", code)

    # Concurrent runs append whole lines to one log.
    before = len(r.log_lines())
    lines = [r.line("-EP1", r.win(os.path.join(out, f"c{i}.zip")), r.win(list1)) for i in range(4)]
    together = {"VELKIN_STANDIN_DELAY_MS": "300"}
    processes = [r.start(line, together) for line in lines]
    codes = [r.finish(line, p, together) for line, p in zip(lines, processes)]
    check(all("exit code: 0" in c for c in codes), "concurrent runs succeed", codes)
    new = r.log_lines()[before:]
    records = []
    for raw_line in new:
        try:
            records.append(json.loads(raw_line.decode("utf-8")))
        except ValueError:
            pass
    check(len(new) == 4 and len(records) == 4, "concurrent runs: four whole JSON lines", len(new))
    check(len({rec["pid"] for rec in records}) == 4, "concurrent runs: four processes")

    print(f"{PASSED} passed, {FAILED} failed")
    return 1 if FAILED else 0


if __name__ == "__main__":
    sys.exit(main())
