#!/usr/bin/env python3
"""End-to-end fault test: the real Velkin.exe under Wine against a hostile or unlucky world.
Garbage settings files, a settings file and a list file that cannot be written, archivers
that are missing, crash or fail with every error code, names at and beyond the path limit or
outside the ANSI code page. Each time: the program keeps working, says what went wrong, and
loses nothing silently. busy_test.py meets the same world while Velkin is busy.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  faults_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
                 --fault-archiver velkin_fault_archiver.exe --artifacts DIR --build DIR
                 [--only NAME ...]
"""

import os
import random
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from fault_suite import ARCHIVER, FaultSuite  # noqa: E402
from velkin_e2e import (RUN_LIMIT_S, StandinLog, each_alone, list_as_read,  # noqa: E402
                        list_expected, make_file, outer_rect, run_suite, screen_size,
                        windows_path)

ACCESS_VIOLATION = 0xC0000005
# The groups of archiver_faults whose names the ANSI code page cannot hold: their list file is
# UTF-16.
OUTSIDE_SHIFT_JIS = ("Korean", "emoji", "combining characters")


class FaultsTest(FaultSuite):
    def __init__(self, session):
        super().__init__(session)
        self.screen = None

    def plans(self):
        # Each scenario starts its own Velkins; one failing does not stop the others.
        return each_alone(self.garbage_settings, self.archiver_faults, self.missing_archiver)

    # Starting, looking, acting.

    def start(self, name, settings=None, settings_bytes=None, env=None):
        return self.s.start(name, settings=settings, settings_bytes=settings_bytes,
                            env=env).prompt_seen

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

    def close_and_expect_exit(self, label, by_post=False):
        if by_post:
            self.driver.one("post-close", "--hwnd", self.main["hwnd"])
        else:
            self.driver.close(self.main["hwnd"])
        self.s.expect_exit(label)

    def check_saved(self, label, expected):
        """A valid file after a close: section Main holds the 19 keys with the values the
        window had, read by the system's rules."""
        saved = self.saved_values()
        values = self.check_all_keys_saved(f"{label}: the written file's section Main", saved)
        self.report.equal(f"{label}: the written values are those the window had",
                          {k: values.get(k.lower()) for k in T.SETTINGS_KEYS}, expected)
        return saved

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
        fault = self.s.fault_archiver_copy(folder)
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
                      else T.STATUS_AFTER_EXIT[code])
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
                encoding = "utf16le" if group_label in OUTSIDE_SHIFT_JIS else "ansi"
                self.report.equal(f"group {number} ({group_label}): the list file as the "
                                  f"stand-in read it ({encoding})", list_as_read(run),
                                  list_expected(paths, encoding))
                self.s.check_archive(f"group {number} ({group_label})", archive, paths)
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


if __name__ == "__main__":
    sys.exit(run_suite("faults", __doc__.splitlines()[0], FaultsTest,
                       options=[("--fault-archiver", "velkin_fault_archiver.exe")]))
