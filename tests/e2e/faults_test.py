#!/usr/bin/env python3
"""End-to-end fault test: the real Velkin.exe under Wine against a hostile or unlucky world.
Garbage settings files, a settings file and a list file that cannot be written, archivers
that are missing, crash or fail with every error code, drops of 100,000 items, names at and
beyond the path limit or outside the ANSI code page, and closing the window while a big drop
is taken in or an archiver runs. Each time: the program keeps working, says what went wrong,
and loses nothing silently.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  faults_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
                 --fault-archiver velkin_fault_archiver.exe --artifacts DIR --build DIR
                 [--only NAME ...]
"""

import base64
import os
import random
import re
import shutil
import sys
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
import xdnd  # noqa: E402
from velkin_e2e import (RUN_LIMIT_S, UI_TIMEOUT_MS, DriverError, StandinLog,  # noqa: E402
                        list_file_bytes, make_file, outer_rect, run_suite, screen_size,
                        wait_until, windows_path)

DELETE_SUFFIX = T.delete_question("")
ARCHIVER = "C:\\WinRAR\\WinRAR.exe"

ACCESS_VIOLATION = 0xC0000005

BIG_DROP = 100_000
THIRD = 30_000
BIG_TIMEOUT_MS = 180_000
NO_INCR_BELOW = 16 * 1024 * 1024  # bytes; a drop of 100,000 paths is about 7 MB


def decode_settings(raw):
    """The text of a settings file as the system reads it: by its byte order mark, else in
    the ANSI code page (932)."""
    if raw.startswith(b"\xef\xbb\xbf"):
        return "utf-8", raw[3:].decode("utf-8", errors="replace")
    if raw.startswith(b"\xff\xfe"):
        return "utf-16-le", raw[2:].decode("utf-16-le", errors="replace")
    return "cp932", raw.decode("cp932", errors="replace")


def parse_settings(text):
    """[(section, key, value)] in file order; section None before the first header."""
    entries = []
    section = None
    for raw in re.split(r"\r\n|\n|\r", text):
        line = raw.strip()
        if line.startswith("[") and "]" in line:
            section = line[1:line.index("]")]
        elif "=" in line:
            key, value = line.split("=", 1)
            entries.append((section, key.strip(), value.strip()))
    return entries


def main_section(entries):
    """Section Main as the system's profile reader sees it (established under Wine 8): the
    first section named Main in any letter case, and in it the first of equal keys."""
    values = {}
    first = None
    for section, key, value in entries:
        if section is None or section.lower() != "main":
            continue
        if first is None:
            first = section
        if section is not first and section != first:
            continue
        values.setdefault(key.lower(), value)
    return values


class FaultsTest:
    def __init__(self, session):
        self.s = session
        self.args = session.args
        self.report = session.report
        self.driver = session.driver
        self.work = session.work
        self.screen = None

    def plans(self):
        # Each scenario starts its own Velkins; one failing does not stop the others.
        return [(scenario.__name__, [scenario])
                for scenario in (self.garbage_settings, self.archiver_faults,
                                 self.missing_archiver, self.close_while_running,
                                 self.close_before_a_failing_group,
                                 self.two_velkins_one_folder, self.big_lists)]

    @property
    def velkin(self):
        return self.s.velkin

    @property
    def main(self):
        return self.s.main

    # Starting, looking, acting.

    def start(self, name, settings=None, settings_bytes=None, env=None):
        return self.s.start(name, settings=settings, settings_bytes=settings_bytes,
                            env=env).prompt_seen

    def drop(self, paths, timeout_ms=UI_TIMEOUT_MS):
        # Served in one piece: after another Wine program has run on the same display, Wine 8
        # was seen to refuse or cut short drops whose data came incrementally (INCR), which is
        # between Wine and the X server, before Velkin sees anything.
        return self.s.drop(paths, timeout_ms=timeout_ms, incr_threshold=NO_INCR_BELOW)

    def drop_rows(self, paths, expected_count):
        self.drop(paths)
        return wait_until(self.s.row_count, lambda n: n >= expected_count)

    def window_values(self, archiver):
        """The 19 values a close must write, from what the window shows now."""
        profiles, checked, save_path, clear_end = self.s.menu_state()
        window = self.s.main_now()
        left, top, width, height = outer_rect(window)
        texts = [caption.split(" ", 1)[1] if " " in caption else "" for caption in profiles]
        return dict(zip(T.SETTINGS_KEYS, [str(left), str(top), str(width), str(height), *texts,
                               *[str(c) for c in self.s.column_widths()], archiver,
                               str(checked[0] if checked else 0), "1" if save_path else "0",
                               "1" if clear_end else "0"]))

    def box_texts(self, box):
        return [s for s in box["statics"] if s]

    def answer(self, box, caption):
        self.s.answer(box, caption, timeout_ms=BIG_TIMEOUT_MS)

    def close_and_expect_exit(self, label, by_post=False):
        if by_post:
            self.driver.one("post-close", "--hwnd", self.main["hwnd"])
        else:
            self.driver.close(self.main["hwnd"])
        self.s.expect_exit(label)

    def saved_values(self, velkin=None):
        with open((velkin or self.velkin).settings_path(), "rb") as f:
            raw = f.read()
        encoding, text = decode_settings(raw)
        return raw, encoding, parse_settings(text)

    def check_saved(self, label, expected):
        """A valid file after a close: section Main holds the 19 keys with the values the
        window had, read by the system's rules."""
        raw, encoding, entries = self.saved_values()
        values = main_section(entries)
        self.report.equal(f"{label}: the written file's section Main holds the 19 keys "
                          f"({encoding})", sorted(k for k in values if k in
                                                  {x.lower() for x in T.SETTINGS_KEYS}),
                          sorted(k.lower() for k in T.SETTINGS_KEYS))
        self.report.equal(f"{label}: the written values are those the window had",
                          {k: values.get(k.lower()) for k in T.SETTINGS_KEYS}, expected)
        return raw, encoding, entries

    def on_screen(self, label):
        """The window is visible and enabled with its caption on the screen, where the user can
        take hold of it."""
        window = self.s.main_now()
        if window is None:
            self.report.check(f"{label}: main window visible", False)
            return None
        left, top, width, height = outer_rect(window)
        screen_width, screen_height = self.screen
        self.report.check(f"{label}: the window is enabled, its top left corner on the "
                          f"{screen_width}x{screen_height} screen: {outer_rect(window)}",
                          window["enabled"] and 0 <= left < screen_width - 50
                          and 0 <= top < screen_height - 50 and width > 50 and height > 50)
        return window

    def usable(self, label, profile):
        """A drop onto the window makes a row with the checked profile's number."""
        path = make_file(os.path.join(self.work, "data", label.replace(" ", "_"), "probe.txt"),
                         "probe\n")
        self.drop_rows([path], 1)
        self.report.equal(f"{label}: a drop makes its row (number, profile, path)",
                          [r[:2] + [r[3]] for r in self.s.rows()],
                          [["0", str(profile), windows_path(path)]])

    # Garbage settings files.

    def covers_screen(self, rect):
        """At the top left of the screen and at least as big as it: the largest window the
        system allows."""
        left, top, width, height = rect
        return (left, top) == (0, 0) and width >= self.screen[0] and height >= self.screen[1]

    def settings_cases(self):
        archiver = ARCHIVER
        long_ascii = "".join(f"-x{n:05d} " for n in range(1250))  # 10,000 characters
        long_japanese = "圧縮設定" * 2500
        long_path = "C:\\" + "\\".join("フォルダ" + str(n) for n in range(1400))[:9997]
        noise = random.Random(20070509).randbytes(4096)
        noise = b"\x00" + noise[1:]  # no accidental byte order mark at the start

        def main(*lines):
            return ("[Main]\r\n" + "".join(line + "\r\n" for line in lines)).encode("cp932")

        return [
            # name, file bytes, prompt expected, expected menu, window rect, columns,
            # WinRARPath kept, extra check
            ("random bytes", noise, True, self.s.expected_menu(T.DEFAULT_PROFILES), T.DEFAULT_RECT,
             T.DEFAULT_COLUMNS, "", None),
            ("10,000-character values",
             main(f"WinRARPath={long_path}", f"RAROption1={long_ascii}",
                  f"RAROption2={long_japanese}", "Column2=" + "7" * 10000),
             False, self.s.expected_menu([long_ascii[:T.MAX_VALUE], long_japanese[:T.MAX_VALUE]]
                                       + T.DEFAULT_PROFILES[2:]),
             T.DEFAULT_RECT, T.DEFAULT_COLUMNS, long_path[:T.MAX_VALUE], None),
            ("numbers out of range",
             main(f"WinRARPath={archiver}", "MainX=99999999999", "MainY=120",
                  "Column0=-2147483649", "Column1=2147483648", "RAROptionSelect=2147483648",
                  "SavePath=4294967297", "ClearEnd=-99999999999"),
             False, self.s.expected_menu(T.DEFAULT_PROFILES), (100, 120, 640, 400), T.DEFAULT_COLUMNS,
             archiver, None),
            # In range, but no screen is that big: the system caps the size, the window goes
            # onto the monitor. Wine's list view makes both odd column widths 12 pixels.
            ("numbers at the edge of the range",
             main(f"WinRARPath={archiver}", "MainX=2147483647", "MainY=-2147483648",
                  "MainW=2147483647", "MainH=2147483647", "Column3=2147483647", "Column4=-5"),
             False, self.s.expected_menu(T.DEFAULT_PROFILES), self.covers_screen,
             lambda widths: (widths[:3] + widths[5:] == [50, 80, 200, 70]
                             and all(0 < w <= self.screen[0] for w in widths[3:5])),
             archiver, None),
            ("duplicate keys and sections",
             main(f"WinRARPath={archiver}", "MainW=500", "MainW=600", "RAROption1=-first",
                  "RAROption1=-second", "RAROptionSelect=2")
             + b"[Other]\r\nKeep=1\r\n"
             + main("MainW=700", "MainH=333", "RAROption3=-from the second Main",
                    "RAROptionSelect=4"),
             False, self.s.expected_menu(["-first"] + T.DEFAULT_PROFILES[1:], 2),
             (100, 100, 500, 400), T.DEFAULT_COLUMNS, archiver, "duplicates"),
            ("no Main section",
             (f"WinRARPath={archiver}\r\nMainW=520\r\n[main2]\r\nMainW=530\r\n"
              f"[Settings]\r\nWinRARPath={archiver}\r\nRAROption1=-elsewhere\r\n").encode("cp932"),
             True, self.s.expected_menu(T.DEFAULT_PROFILES), T.DEFAULT_RECT, T.DEFAULT_COLUMNS, "",
             "no main"),
            ("UTF-8 with BOM",
             b"\xef\xbb\xbf" + (f"[Main]\r\nWinRARPath={archiver}\r\nRAROption1=-m3 テスト ☃ 한국\r\n"
                                "MainW=500\r\n").encode("utf-8"),
             False, self.s.expected_menu(["-m3 テスト ☃ 한국"] + T.DEFAULT_PROFILES[1:]),
             (100, 100, 500, 400), T.DEFAULT_COLUMNS, archiver, "utf8"),
            ("empty file", b"", True, self.s.expected_menu(T.DEFAULT_PROFILES), T.DEFAULT_RECT,
             T.DEFAULT_COLUMNS, "", None),
        ]

    def garbage_settings(self):
        self.screen = screen_size()
        for number, (name, data, prompt, menu, rect, columns, archiver, extra) in \
                enumerate(self.settings_cases()):
            label = f"settings file: {name}"
            prompt_seen = self.start(f"settings{number}", settings_bytes=data)
            self.report.equal(f"{label}: started; WinRAR location asked for "
                              f"{'(none readable)' if prompt else '(never)'}",
                              prompt_seen, prompt)
            window = self.on_screen(label)
            if callable(rect):
                self.report.check(f"{label}: window place and size as expected",
                                  rect(outer_rect(window)), str(outer_rect(window)))
            else:
                self.report.equal(f"{label}: window place and size", outer_rect(window), rect)
            shown = self.s.menu_state()
            self.report.equal(f"{label}: profiles, checked profile and options", shown, menu)
            widths = self.s.column_widths()
            if callable(columns):
                self.report.check(f"{label}: column widths as expected: {widths}",
                                  columns(widths))
            else:
                self.report.equal(f"{label}: column widths", widths, columns)
            if name == "random bytes":
                self.s.screenshot("faults-garbage-settings.png")
            self.usable(label, menu[1][0])
            expected = self.window_values(archiver)
            self.close_and_expect_exit(label)
            raw, encoding, entries = self.check_saved(label, expected)
            if extra == "duplicates":
                self.report.equal(f"{label}: other sections and the shadowed duplicates "
                                  "stay in the file",
                                  [e for e in entries if e[1] in ("Keep", "RAROption3")
                                   or (e[1] == "MainW" and e[2] in ("600", "700"))],
                                  [("Main", "MainW", "600"),
                                   ("Main", "RAROption3", T.DEFAULT_PROFILES[2]),
                                   ("Other", "Keep", "1"),
                                   ("Main", "MainW", "700"),
                                   ("Main", "RAROption3", "-from the second Main")])
            elif extra == "no main":
                self.report.check(f"{label}: the other sections and the keys before any "
                                  "section stay in the file",
                                  [e for e in entries if e[0] != "Main"] ==
                                  [(None, "WinRARPath", ARCHIVER), (None, "MainW", "520"),
                                   ("main2", "MainW", "530"),
                                   ("Settings", "WinRARPath", ARCHIVER),
                                   ("Settings", "RAROption1", "-elsewhere")],
                                  str([e for e in entries if e[0] != "Main"]))
            elif extra == "utf8":
                self.report.equal(f"{label}: written back as UTF-8 with its BOM, the text "
                                  "outside Shift-JIS intact", encoding, "utf-8")
            elif name == "random bytes":
                # Wine's writer puts back what it parsed: bytes invalid in code page 932 come
                # back as its default character, NULs are gone, line ends become CR LF.
                at = raw.find(b"\r\n[Main]\r\n")
                self.report.check(f"{label}: the garbage stays (re-encoded) ahead of the "
                                  "section Main, which ends the file",
                                  at > len(data) // 2 and raw.count(b"[Main]") == 1
                                  and raw.endswith(b"ClearEnd=0\r\n"),
                                  f"[Main] at {at} of {len(raw)} bytes")

    # One list of groups meets every archiver failure, then names at the limits; before it a
    # list file that cannot be written, after it a settings file that cannot be written.

    def run_groups(self):
        """[(label, paths, destination, expected exit code or None for a crash)] in drop order:
        files under names that tell the fault archiver what to do, and hard names."""
        data = os.path.join(self.work, "data")
        groups = [("ordinary", [make_file(os.path.join(data, "plain", "first.txt"), "first\n")],
                   os.path.join(data, "plain", "first.rar"), 0)]
        for code in list(range(1, 12)) + [255]:
            path = make_file(os.path.join(data, "codes", f"exit{code}.txt"), f"code {code}\n")
            groups.append((f"exit code {code}", [path],
                           os.path.join(data, "codes", f"exit{code}.rar"), code))
        groups.append(("access violation in the archiver",
                       [make_file(os.path.join(data, "codes", "crash.txt"), "crash\n")],
                       os.path.join(data, "codes", "crash.rar"), None))
        groups.append(("exit code 0xC0000005 forced in the stand-in",
                       [make_file(os.path.join(data, "codes", f"exit{ACCESS_VIOLATION}.txt"),
                                  "forced\n")],
                       os.path.join(data, "codes", f"exit{ACCESS_VIOLATION}.rar"),
                       ACCESS_VIOLATION))

        # Full Windows paths (Z: and the Unix path) of exactly 259 and of 300 characters.
        def path_of_length(folder, name, length):
            base = os.path.join(data, folder)
            need = length - len(windows_path(os.path.join(base, name)))
            parts = []
            while need > 0:  # each folder adds its name and a separator
                take = min(need, 201)
                if need - take == 1:
                    take -= 1
                parts.append(chr(ord("a") + len(parts)) * (take - 1))
                need -= take
            path = os.path.join(base, *parts, name)
            if len(windows_path(path)) != length:
                raise ValueError(f"could not make a path of {length} characters: {path}")
            return path

        at_limit = make_file(path_of_length("limit", "f259.txt", 259), "two five nine\n")
        beyond = make_file(path_of_length("beyond", "f300.txt", 300), "three hundred\n")
        groups.append(("a full path of 259 characters", [at_limit],
                       os.path.join(os.path.dirname(at_limit), "f259.rar"), 0))
        groups.append(("a full path of 300 characters", [beyond],
                       os.path.join(os.path.dirname(beyond), "f300.rar"), 0))
        names = os.path.join(data, "dir  with blanks ")
        for label, name, archive in [
                ("blanks in the names", " two  blanks .txt", " two  blanks .rar"),
                ("many dots", "a.b.c.d.e.txt", "a.b.c.d.e.rar"),
                ("no extension", "Makefile", "Makefile.rar"),
                ("Korean", "한국어 파일.txt", "한국어 파일.rar"),
                ("emoji", "😀 smile.txt", "😀 smile.rar"),
                ("combining characters", "Cafe\u0301 na\u0308ive.txt", "Cafe\u0301 na\u0308ive.rar")]:
            first = make_file(os.path.join(names, name), label + "\n")
            second = make_file(os.path.join(names, f"second {len(groups)}.txt"), "second\n")
            groups.append((label, [first, second], os.path.join(names, archive), 0))
        return groups

    def archiver_faults(self):
        name = "run"
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        fault = os.path.join(folder, "FaultArchiver.exe")
        shutil.copy2(self.args.fault_archiver, fault)
        shutil.copy2(self.args.standin, os.path.join(folder, "StandInArchiver.exe"))
        log = StandinLog(os.path.join(self.work, "run-standin.jsonl"))
        settings = {"MainX": 0, "MainY": 0, "MainW": 1270, "MainH": 760, "Column2": 170,
                    "Column3": 330, "Column4": 330, "Column5": 300,
                    "WinRARPath": windows_path(fault), "RAROption1": "-EP1 -M3",
                    "SavePath": 0, "ClearEnd": 0}
        self.start_in(folder, settings, {"VELKIN_STANDIN_LOG": windows_path(log.path)})
        program_folder = windows_path(folder)

        groups = self.run_groups()
        expected = []
        for number, (label, paths, archive, _) in enumerate(groups):
            expected += [[str(number), "1", p.rsplit("/", 1)[1], windows_path(p),
                          windows_path(archive), ""] for p in paths]
            self.drop_rows(paths, len(expected))
        rows = self.s.rows()
        for number, (label, paths, archive, _) in enumerate(groups):
            if number == 0 or number > 14:
                mine = [r for r in rows if r[0] == str(number)]
                want = [r for r in expected if r[0] == str(number)]
                self.report.equal(f"drop {number} ({label}): rows exact (name, full path, "
                                  "destination)", mine, want)
        self.report.equal(f"all {len(groups)} drops: {len(expected)} rows exactly as dropped",
                          rows, expected)

        # The list file cannot be written: the run stops before anything starts.
        label = "Velkin.lst is a folder"
        list_file = os.path.join(folder, "Velkin.lst")
        os.mkdir(list_file)
        try:
            self.s.start_confirmed(label)
            box = self.driver.dialog(T.TITLE, pid=self.main["pid"])
            self.report.equal(f"{label}: error box text and button",
                              (self.box_texts(box)[-1:], box["buttons"]),
                              ([T.list_file_error(program_folder)], [T.OK]))
            self.report.equal(f"{label}: rows keep their state while the box shows", self.s.rows(),
                              expected)
            self.answer(box, T.OK)
            self.report.equal(f"{label}: the run ends there: no further box", self.s.boxes(), [])
            self.report.equal(f"{label}: no archiver started", log.runs(), [])
            self.report.equal(f"{label}: rows keep their state", self.s.rows(), expected)
            window = self.s.main_now()
            self.report.check(f"{label}: main window enabled", window and window["enabled"])
        finally:
            os.rmdir(list_file)

        # Start again, the cause gone: every group runs, failures and all. The group the user
        # "stopped" (exit code 255) asks whether to go on with the rest: Yes.
        label = "run after the fix"
        self.s.start_confirmed(label)
        stopped_at = next(n for n, group in enumerate(groups) if group[3] == 255)
        question = self.s.box(T.TITLE, timeout_ms=RUN_LIMIT_S * 1000)
        self.report.equal(f"{label}: after the user's stop, the question whether to go on",
                          (question["texts"], question["plain_buttons"]),
                          ([T.go_on_question(len(groups) - stopped_at - 1)], ["はい", "いいえ"]))
        self.answer(question, T.YES)
        box = self.s.run_end_box(label)
        shot = self.s.artifact("faults-statuses.png")
        self.report.check(f"screenshot of the statuses: {shot}",
                          self.s.screenshot("faults-statuses.png"))
        self.answer(box, T.OK)
        rows = self.s.rows()
        runs = {run["archivePath"]: run for run in log.runs()}
        self.report.equal(f"{label}: one stand-in run per group, the crashed one aside",
                          len(log.runs()), len(groups) - 1)
        for number, (group_label, paths, archive, code) in enumerate(groups):
            status = (T.CRASH_STATUS if code in (None, ACCESS_VIOLATION)
                      else T.status_for(code))
            for row in expected:
                if row[0] == str(number):
                    row[T.STATUS] = status
            shown = [r[T.STATUS] for r in rows if r[0] == str(number)]
            self.report.equal(f"group {number} ({group_label}): status", shown,
                              [status] * len(paths))
            run = runs.get(windows_path(archive))
            if code is None:
                self.report.check(f"group {number} ({group_label}): the archiver died before "
                                  "the stand-in ran", run is None)
                continue
            if not self.report.check(f"group {number} ({group_label}): the stand-in ran",
                                     run is not None, f"runs: {sorted(runs)}"):
                continue
            self.report.equal(f"group {number} ({group_label}): the stand-in ended with "
                              f"{code}", run["exitCode"], code)
            if code == 0:
                want_bytes, encoding = list_file_bytes([windows_path(p) for p in paths])
                self.report.equal(f"group {number} ({group_label}): list file bytes "
                                  f"({encoding})", base64.b64decode(run["listFileBase64"] or ""),
                                  want_bytes)
                self.check_archive(f"group {number} ({group_label})", archive, paths)
        self.report.equal(f"{label}: every row as expected, OK only where the archiver "
                          "succeeded", rows, expected)
        self.report.check(f"{label}: main window enabled after the run",
                          self.s.main_now()["enabled"])

        # The settings file cannot be written at the close.
        label = "Velkin.ini is a folder at the close"
        before_menu = self.s.menu_state()
        expected_values = self.window_values(windows_path(fault))
        ini = self.velkin.settings_path()
        os.remove(ini)
        os.mkdir(ini)
        try:
            self.driver.close(self.main["hwnd"])
            box = self.driver.dialog(T.TITLE, pid=self.main["pid"])
            self.report.equal(f"{label}: error box text and button",
                              (self.box_texts(box), box["buttons"]),
                              ([T.cannot_write(windows_path(ini))], [T.OK]))
            self.answer(box, T.OK)
            window = self.s.main_now()
            self.report.check(f"{label}: Velkin still runs, its window visible and enabled",
                              self.velkin.running() and window is not None
                              and window["enabled"])
            self.report.equal(f"{label}: every row and status kept", self.s.rows(), expected)
            self.report.equal(f"{label}: menu state kept", self.s.menu_state(), before_menu)
        finally:
            os.rmdir(ini)
        label = "second close, the file writable again"
        self.close_and_expect_exit(label)
        self.check_saved(label, expected_values)

    def missing_archiver(self):
        name = "missing"
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        absent = windows_path(os.path.join(folder, "gone", "WinRAR.exe"))
        self.start_in(folder, {"WinRARPath": absent, "ClearEnd": 0}, {})
        data = os.path.join(self.work, "data", "missing")
        groups = [[make_file(os.path.join(data, "m1.txt"), "1\n"),
                   make_file(os.path.join(data, "m2.txt"), "2\n")],
                  [make_file(os.path.join(data, "n1.txt"), "3\n")]]
        self.drop_rows(groups[0], 2)
        self.drop_rows(groups[1], 3)
        label = "archiver missing"
        self.s.start_confirmed(label)
        for number, statuses in enumerate(([T.NOT_STARTED] * 2 + [""], [T.NOT_STARTED] * 3)):
            box = self.driver.dialog(T.TITLE, pid=self.main["pid"])
            self.report.equal(f"{label}, group {number}: the box says the start failed",
                              (self.box_texts(box)[-1:], box["buttons"]), ([T.START_FAILED], [T.OK]))
            self.report.equal(f"{label}, group {number}: statuses while it shows",
                              self.s.statuses(), statuses)
            self.driver.click(box["hwnd"], T.OK)
            self.driver.wait_gone(box["hwnd"])
        box = self.driver.dialog(T.CLEAR_BY_HAND_CAPTION, pid=self.main["pid"])
        self.answer(box, T.OK)
        self.report.equal(f"{label}: afterwards every row reads {T.NOT_STARTED}, none OK",
                          self.s.statuses(), [T.NOT_STARTED] * 3)
        self.report.check(f"{label}: no archive made",
                          not any(n.endswith(".rar") for n in os.listdir(data)))
        self.close_and_expect_exit(label)

    def close_while_running(self):
        name = "closing"
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        standin = os.path.join(folder, "StandInArchiver.exe")
        shutil.copy2(self.args.standin, standin)
        log = StandinLog(os.path.join(self.work, "closing-standin.jsonl"))
        # Seeded without the column widths: only a save writes them.
        self.start_in(folder, {"WinRARPath": windows_path(standin), "ClearEnd": 0},
                      {"VELKIN_STANDIN_LOG": windows_path(log.path),
                       "VELKIN_STANDIN_DELAY_MS": "2500"})
        data = os.path.join(self.work, "data", "closing")
        groups = [[make_file(os.path.join(data, "c1.txt"), "c1\n")],
                  [make_file(os.path.join(data, "d1.txt"), "d1\n"),
                   make_file(os.path.join(data, "d2.txt"), "d2\n")]]
        self.drop_rows(groups[0], 1)
        self.drop_rows(groups[1], 3)
        label = "WM_CLOSE while the archiver runs"
        self.s.start_confirmed(label)
        seen = wait_until(lambda: (self.s.statuses(), self.s.main_now()["enabled"]),
                          lambda look: look[0][0] == T.RUNNING, timeout_s=30)
        self.report.equal(f"{label}: group 0 runs and the window is disabled", seen,
                          ([T.RUNNING, "", ""], False))
        self.driver.one("post-close", "--hwnd", self.main["hwnd"])
        self.driver.sync(self.main["hwnd"])
        self.report.check(f"{label}: the window answers and stays while the group runs",
                          self.velkin.running() and self.s.main_now() is not None)
        self.s.expect_exit(f"{label}: the running group ends, no further one starts, no closing "
                           "box, and the close happens")
        self.report.equal(f"{label}: only the running group's archiver ran",
                          [r["archivePath"] for r in log.runs()],
                          [windows_path(os.path.join(data, "c1.rar"))])
        values = main_section(self.saved_values()[2])
        self.report.equal(f"{label}: the settings file was written at the close (all 19 keys)",
                          sorted(k for k in values if k in {x.lower() for x in T.SETTINGS_KEYS}),
                          sorted(k.lower() for k in T.SETTINGS_KEYS))

    def close_before_a_failing_group(self):
        """A close asked for while a run's error box shows (its list file cannot be created)
        waits: the box stays until it is answered, and then the close happens."""
        name = "closing-failing"
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        standin = os.path.join(folder, "StandInArchiver.exe")
        shutil.copy2(self.args.standin, standin)
        self.start_in(folder, {"WinRARPath": windows_path(standin), "ClearEnd": 0}, {})
        data = os.path.join(self.work, "data", name)
        self.drop_rows([make_file(os.path.join(data, "e1.txt"), "e1\n")], 1)
        label = "WM_CLOSE while the list file's error box shows"
        list_file = self.velkin.list_file()
        os.mkdir(list_file)
        try:
            self.s.start_confirmed(label)
            box = self.driver.dialog(T.TITLE, pid=self.main["pid"])
            self.report.equal(f"{label}: the error box", (self.box_texts(box)[-1:], box["buttons"]),
                              ([T.list_file_error(windows_path(folder))], [T.OK]))
            self.driver.one("post-close", "--hwnd", self.main["hwnd"])
            # Once commands posted after the close are handled, so was the close.
            self.s.after_posted_commands()
            self.report.check(f"{label}: the box is still there after the waiting close",
                              box["hwnd"] in [b["hwnd"] for b in self.s.boxes()])
            self.driver.click(box["hwnd"], T.OK)
            self.s.expect_exit(f"{label}: after OK the close happens")
        finally:
            os.rmdir(list_file)
        values = main_section(self.saved_values()[2])
        self.report.equal(f"{label}: the settings file was written at the close (all 19 keys)",
                          sorted(k for k in values if k in {x.lower() for x in T.SETTINGS_KEYS}),
                          sorted(k.lower() for k in T.SETTINGS_KEYS))

    def two_velkins_one_folder(self):
        """Two Velkins started from one folder share its list file. While the first one's
        archiver runs (and reads its list late), the second one's run must not overwrite that
        list: it meets the error for its group, and the first archive gets only its own files."""
        name = "shared"
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        standin = os.path.join(folder, "StandInArchiver.exe")
        shutil.copy2(self.args.standin, standin)
        log = StandinLog(os.path.join(self.work, name + "-standin.jsonl"))
        gate = os.path.join(self.work, name + ".go")
        env = {"VELKIN_STANDIN_LOG": windows_path(log.path),
               "VELKIN_STANDIN_WAIT_FOR": windows_path(gate)}
        data = os.path.join(self.work, "data", name)
        mine = make_file(os.path.join(data, "first", "mine.txt"), "mine\n")
        theirs = make_file(os.path.join(data, "second", "theirs.txt"), "theirs\n")
        label = "two Velkins in one folder"

        self.start_in(folder, {"WinRARPath": windows_path(standin), "ClearEnd": 0, "MainX": 0,
                               "MainY": 0, "MainW": 600, "MainH": 400}, env)
        first = self.velkin
        self.drop_rows([mine], 1)
        self.s.start_confirmed(f"{label}, the first")
        self.report.equal(f"{label}: the first one's archiver runs, its list not read yet",
                          wait_until(self.s.statuses, lambda s: s == [T.RUNNING]), [T.RUNNING])

        # The second one reads the same settings and stands on the same place: moved aside, so
        # that the drop finds it.
        self.start_in(folder, None, env)
        self.driver.one("move", "--hwnd", self.main["hwnd"], "--rect", "640,0,600,400")
        xdnd.drop([theirs], x=940, y=250, build_dir=self.args.build, types=["text/uri-list"],
                  incr_threshold=NO_INCR_BELOW)
        self.report.equal(f"{label}: the second one takes its drop",
                          wait_until(self.s.row_count, lambda n: n == 1), 1)
        self.s.start_confirmed(f"{label}, the second")
        shown = wait_until(lambda: (self.s.boxes(), self.s.statuses()),
                           lambda look: look[0] or look[1] != [""])
        self.report.check(f"{label}: the second one's run meets the list file held",
                          bool(shown[0]), f"statuses {shown[1]}")
        if shown[0]:
            box = self.driver.dialog(T.TITLE, pid=self.main["pid"])
            self.report.equal(f"{label}: the second one's error box",
                              (self.box_texts(box)[-1:], box["buttons"]),
                              ([T.list_file_error(windows_path(folder))], [T.OK]))
            self.report.equal(f"{label}: the second one's row keeps its status", self.s.statuses(),
                              [""])
            self.answer(box, T.OK)

        make_file(gate)
        self.s.velkin, self.s.main = first, first.main
        self.answer(self.s.run_end_box(label), T.OK)
        runs = log.runs()
        self.report.equal(f"{label}: one archiver run, with the first one's list",
                          [(run["archivePath"], base64.b64decode(run["listFileBase64"] or ""))
                           for run in runs],
                          [(windows_path(os.path.join(data, "first", "mine.rar")),
                            list_file_bytes([windows_path(mine)])[0])])
        self.check_archive(label, os.path.join(data, "first", "mine.rar"), [mine])
        with open(first.list_file(), "rb") as f:
            self.report.equal(f"{label}: Velkin.lst is where it was, with the first one's bytes",
                              f.read(), list_file_bytes([windows_path(mine)])[0])

    # Big lists.

    def count_until(self, total, timeout_ms=BIG_TIMEOUT_MS):
        """Waits (bounded) until the list has `total` rows; the count then."""
        self.driver.run("row-count", "--hwnd", self.main["hwnd"], "--until", total,
                        "--timeout-ms", timeout_ms, timeout_ms=timeout_ms)
        self.driver.sync(self.main["hwnd"], timeout_ms=BIG_TIMEOUT_MS)
        return self.s.row_count()

    def sampled(self, label, expected, columns, step):
        """Every step-th row (and the last) against the expected rows, given columns only."""
        got = self.driver.rows(self.main["hwnd"], columns=columns, step=step,
                               timeout_ms=BIG_TIMEOUT_MS)["rows"]
        got.append(self.driver.rows(self.main["hwnd"], first=len(expected) - 1,
                                    columns=columns)["rows"][-1])
        want = [[row[c] for c in columns] for row in expected[::step]]
        want.append([expected[-1][c] for c in columns])
        bad = [(i * step, g, w) for i, (g, w) in enumerate(zip(got, want)) if g != w]
        self.report.check(f"{label}: every {step}th row and the last: "
                          + ", ".join(["number", "profile", "name", "path", "destination",
                                       "status"][c] for c in columns),
                          len(got) == len(want) and not bad,
                          f"{len(got)} rows read, {len(want)} expected; first differences "
                          f"{bad[:3]}")

    def big_lists(self):
        name = "big"
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        # Seeded with WinRARPath only: only a save writes the rest.
        self.start_in(folder, {"WinRARPath": ARCHIVER}, {})
        # The files need not exist for a drop; these do not.
        big_folder = os.path.join(self.work, "nothing here", "big")
        big = [os.path.join(big_folder, f"f{i:06d}.dat") for i in range(BIG_DROP)]

        def rows_of(number, paths):
            destination = windows_path(os.path.dirname(paths[0])) + "\\" + \
                os.path.splitext(os.path.basename(paths[0]))[0] + ".rar"
            return [[str(number), "1", os.path.basename(p), windows_path(p), destination, ""]
                    for p in paths]

        label = f"a drop of {BIG_DROP:,} items"
        self.drop(big, timeout_ms=BIG_TIMEOUT_MS)
        self.report.equal(f"{label}: all rows arrive, exactly", self.count_until(BIG_DROP),
                          BIG_DROP)
        expected = rows_of(0, big)
        self.sampled(label, expected, [0, 1, 2, 3, 4], 997)
        self.report.equal(f"{label}: the first and last rows whole",
                          [self.driver.rows(self.main["hwnd"], first=i, count=1)["rows"][0]
                           for i in (0, BIG_DROP - 1)], [expected[0], expected[-1]])
        shot = self.s.artifact("faults-big-list.png")
        self.report.check(f"screenshot of the big list: {shot}",
                          self.s.screenshot("faults-big-list.png"))

        self.s.clear_list(f"clearing {BIG_DROP:,} rows")

        label = f"three drops of {THIRD:,}, the middle one deleted"
        thirds = []
        for number, part in enumerate("pqr"):
            part_folder = os.path.join(self.work, "nothing here", part)
            paths = [os.path.join(part_folder, f"{part}{i:05d}.dat") for i in range(THIRD)]
            thirds.append(paths)
            self.drop(paths, timeout_ms=BIG_TIMEOUT_MS)
            self.count_until(THIRD * (number + 1))
        expected = rows_of(0, thirds[0]) + rows_of(1, thirds[1]) + rows_of(2, thirds[2])
        self.report.equal(f"{label}: {3 * THIRD:,} rows", self.s.row_count(), 3 * THIRD)
        self.report.equal(f"{label}: numbers at the seams",
                          [r[0] for r in self.driver.rows(self.main["hwnd"], first=THIRD - 1,
                                                          count=THIRD + 2, step=THIRD,
                                                          columns=[0])["rows"]]
                          + [r[0] for r in self.driver.rows(self.main["hwnd"], first=THIRD,
                                                            count=THIRD + 1, step=THIRD,
                                                            columns=[0])["rows"]],
                          ["0", "1", "1", "2"])
        selected = self.driver.one("select-row", "--hwnd", self.main["hwnd"], "--row",
                                   THIRD + THIRD // 2)["selected"]
        self.report.equal(f"{label}: a row of the middle group selected", selected,
                          THIRD + THIRD // 2)
        self.driver.keys("delete", hwnd=self.main["hwnd"])
        box = self.driver.dialog(T.CONFIRM, pid=self.main["pid"])
        self.report.equal(f"{label}: Delete asks about group 1", self.box_texts(box),
                          ["1" + DELETE_SUFFIX])
        self.answer(box, T.YES)
        self.report.equal(f"{label}: {2 * THIRD:,} rows left", self.s.row_count(), 2 * THIRD)
        expected = rows_of(0, thirds[0]) + rows_of(1, thirds[2])
        self.sampled(label + ": renumbered", expected, [0, 3], 499)
        self.report.equal(f"{label}: the rows at the seam, whole",
                          self.driver.rows(self.main["hwnd"], first=THIRD - 1, count=2)["rows"],
                          expected[THIRD - 1:THIRD + 1])

        # A close while another 100,000 items are being taken in: Velkin finishes the drop,
        # then closes. The intake itself takes a fraction of a second, so the close is posted
        # from inside the driver the moment the first new rows show, and again each time the
        # window answers until all rows are in; a watcher records the counts it answers with.
        label = f"closing during a drop of {BIG_DROP:,}"
        before = 2 * THIRD
        total = before + BIG_DROP

        watcher = self.s.helper(0)
        closer = self.s.helper(1)
        watcher.begin("row-count", "--hwnd", self.main["hwnd"], "--until", total,
                      "--timeout-ms", BIG_TIMEOUT_MS, timeout_ms=BIG_TIMEOUT_MS)
        first = watcher.next_result()
        if first is None:
            watcher.finish()
            raise DriverError("the row-count watcher ended without a count")
        closer.begin("post-close", "--hwnd", self.main["hwnd"], "--after-rows", before,
                     "--until", total, "--timeout-ms", BIG_TIMEOUT_MS, timeout_ms=BIG_TIMEOUT_MS)
        late = [os.path.join(big_folder, f"g{i:06d}.dat") for i in range(BIG_DROP)]
        self.drop(late, timeout_ms=BIG_TIMEOUT_MS)

        def outcome(driver):
            try:
                return driver.finish(), ""
            except DriverError as error:
                return [], str(error)

        posted, posted_err = outcome(closer)
        posted = posted[0] if posted else {}
        watched, err = outcome(watcher)
        counts = [(value["row_count"], value["time_100ns"]) for value in [first] + watched]
        later = [c for c, t in counts if t > posted.get("time_100ns", 0)]
        print(f"note: {label}: the close was posted first at {posted.get('row_count')} rows, "
              f"{posted.get('posts')} times in all; counts seen after the first: {later}",
              flush=True)
        self.report.check(f"{label}: the close was posted while rows were still arriving",
                          before < posted.get("row_count", -1) < total,
                          f"post-close: {posted_err[-300:]} {posted}")
        self.report.check(f"{label}: the window stayed until all {total:,} rows were in",
                          not err and counts[-1][0] == total and bool(later),
                          f"watcher: {err[-300:]}; last counts {counts[-3:]}")
        self.s.expect_exit(f"{label}: then", timeout_ms=BIG_TIMEOUT_MS)
        values = main_section(self.saved_values()[2])
        self.report.equal(f"{label}: the settings file was written (all 19 keys)",
                          sorted(k for k in values if k in {x.lower() for x in T.SETTINGS_KEYS}),
                          sorted(k.lower() for k in T.SETTINGS_KEYS))

    def start_in(self, folder, settings, env):
        velkin = self.s.start(folder=folder, settings=settings, env=env)
        self.report.check(f"{os.path.basename(folder)}: Velkin starts without a question",
                          not velkin.prompt_seen)

    def check_archive(self, label, archive, paths):
        if not self.report.check(f"{label}: archive exists", os.path.isfile(archive)):
            return
        with zipfile.ZipFile(archive) as z:
            got = {info.filename: z.read(info) for info in z.infolist()}
        want = {}
        for path in paths:
            with open(path, "rb") as f:
                want[os.path.basename(path)] = f.read()
        self.report.equal(f"{label}: archive holds the files, names and bytes exact", got, want)


if __name__ == "__main__":
    sys.exit(run_suite("faults", __doc__.splitlines()[0],
                       lambda session: FaultsTest(session).plans(),
                       options=[("--fault-archiver", "velkin_fault_archiver.exe")]))
