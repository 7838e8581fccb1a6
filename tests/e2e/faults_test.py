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

import argparse
import base64
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import xdnd  # noqa: E402
from velkin_e2e import (outer_rect, screen_size, MAIN_WINDOW_CLASS, STARTUP_TIMEOUT_MS, Driver, DriverError,  # noqa: E402
                        Report, VelkinProcess, require_session, screenshot,
                        wait_for_main_window, wait_until, windows_path)

TITLE = "Velkin 070509"
DIALOG_CLASS = "#32770"
PROFILE_MENU = "プロファイル(&P)"
OPTION_MENU = "動作と設定(&R)"
SAVE_PATH = "保存先とファイル名を自分で設定する(&P)"
CLEAR_END = "圧縮終了後にリストをクリア(&C)"
CONFIRM_CAPTION = "確認"
CONFIRM_START = "圧縮を開始します。\n宜しいですか?"
CLEAR_QUESTION = "現在のリストをクリアします。よろしいですか?"
DELETE_SUFFIX = " 番のドロップ分を削除します。\n宜しいですか?"
CLEAR_BY_HAND_CAPTION = "手動でクリアして下さい"
START_FAILED = "WinRARの起動に失敗しました."
YES = "はい(&Y)"
RUNNING = "圧縮中"
DONE = "OK"
NOT_STARTED = "起動失敗"
STATUS_COLUMN = 5

KEYS = ["MainX", "MainY", "MainW", "MainH", "RAROption1", "RAROption2", "RAROption3",
        "RAROption4", "RAROption5", "Column0", "Column1", "Column2", "Column3", "Column4",
        "Column5", "WinRARPath", "RAROptionSelect", "SavePath", "ClearEnd"]
DEFAULT_PROFILES = ["-EP1 -S -M5 -MD4096", "-EP1 -S -M5 -MD4096 -df", "-EP1 -S -M5 -MD4096",
                    "-EP1 -S -M5 -MD4096", "-EP1 -S -M5 -MD4096 -df -ioff"]
DEFAULT_COLUMNS = [50, 80, 200, 200, 200, 70]
DEFAULT_RECT = (100, 100, 640, 400)
MAX_VALUE = 2047  # characters of a settings value that are read
ARCHIVER = "C:\\WinRAR\\WinRAR.exe"

# What each archiver exit code reads as in the status column.
EXIT_MEANINGS = {1: "警告", 2: "致命的なエラー", 3: "CRC エラー", 4: "書庫がロックされています",
                 5: "書き込みエラー", 6: "ファイルを開けません", 7: "コマンドラインの誤り",
                 8: "メモリ不足", 9: "ファイルを作成できません", 10: "該当するファイルがありません",
                 11: "パスワードの誤り", 255: "中断されました"}
ACCESS_VIOLATION = 0xC0000005

BIG_DROP = 100_000
THIRD = 30_000
BIG_TIMEOUT_MS = 150_000
RUN_LIMIT_S = 120  # only guards against a run that never ends
NO_INCR_BELOW = 16 * 1024 * 1024  # bytes; a drop of 100,000 paths is about 7 MB


def status_for(code):
    if code == 0:
        return DONE
    meaning = EXIT_MEANINGS.get(code)
    return f"失敗 (終了コード {code}" + (f": {meaning})" if meaning else ")")


def make_file(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content if isinstance(content, bytes) else content.encode("utf-8"))
    return path


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


def list_bytes(paths):
    """The list file Velkin must write: the ANSI code page when every path fits, else UTF-16LE
    with a byte order mark; CR LF after every line."""
    try:
        return b"".join(p.encode("cp932") + b"\r\n" for p in paths), "ansi"
    except UnicodeEncodeError:
        return b"\xff\xfe" + b"".join((p + "\r\n").encode("utf-16-le") for p in paths), "utf16"


class StandinLog:
    def __init__(self, path):
        self.path = path

    def runs(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path, "rb") as f:
            return [json.loads(line) for line in f.read().decode("utf-8").splitlines()
                    if line.strip()]


class FaultsTest:
    def __init__(self, args, report):
        self.args = args
        self.report = report
        self.driver = Driver(args.driver, args.verbose)
        self.work = tempfile.mkdtemp(prefix="velkin-faults-")
        self.processes = []
        self.velkin = None
        self.main = None

    # Starting, looking, acting.

    def start(self, name, settings=None, settings_bytes=None, env=None):
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        self.velkin = VelkinProcess(self.args.velkin, folder=folder, settings=settings,
                                    settings_bytes=settings_bytes, env=env)
        self.processes.append(self.velkin)
        self.main, prompt_seen = wait_for_main_window(self.driver, self.velkin)
        return prompt_seen

    def rows(self):
        return self.driver.list_view(self.main["hwnd"])["rows"]

    def row_count(self):
        return self.driver.row_count(self.main["hwnd"])

    def statuses(self):
        return [row[STATUS_COLUMN] for row in self.rows()]

    def boxes(self):
        return [w for w in self.driver.windows(pid=self.main["pid"]) if w["class"] == DIALOG_CLASS]

    def main_window_now(self):
        shown = self.driver.windows(MAIN_WINDOW_CLASS, pid=self.main["pid"])
        return shown[0] if shown else None

    def drop(self, paths, timeout_ms=30000):
        # Served in one piece: after another Wine program has run on the same display, Wine 8
        # was seen to refuse or cut short drops whose data came incrementally (INCR), which is
        # between Wine and the X server, before Velkin sees anything.
        return xdnd.drop(paths, window_name=TITLE, build_dir=self.args.build,
                         types=["text/uri-list"], timeout_ms=timeout_ms,
                         incr_threshold=NO_INCR_BELOW)

    def drop_rows(self, paths, expected_count):
        self.drop(paths)
        return wait_until(self.row_count, lambda n: n >= expected_count)

    def menu_state(self):
        """(profile texts as the user reads them, checked profile numbers, save-path check,
        clear-end check) from the live menu."""
        tops = {top["caption"]: top for top in self.driver.menu(self.main["hwnd"])["items"]}
        profiles = tops[PROFILE_MENU]["items"][:5]
        options = {item["caption"]: item for item in tops[OPTION_MENU]["items"]}
        return ([p["caption"].replace("&&", "&") for p in profiles],
                [n for n, p in enumerate(profiles, start=1) if p["checked"]],
                options[SAVE_PATH]["checked"], options[CLEAR_END]["checked"])

    @staticmethod
    def expected_menu(profiles, selected=1, save_path=False, clear_end=False):
        return ([f"{n} {text}" for n, text in enumerate(profiles, start=1)], [selected],
                save_path, clear_end)

    def column_widths(self):
        return [c["width"] for c in self.driver.list_view(self.main["hwnd"])["columns"]]

    def window_values(self, archiver):
        """The 19 values a close must write, from what the window shows now."""
        profiles, checked, save_path, clear_end = self.menu_state()
        window = self.main_window_now()
        left, top, width, height = outer_rect(window)
        texts = [caption.split(" ", 1)[1] if " " in caption else "" for caption in profiles]
        return dict(zip(KEYS, [str(left), str(top), str(width), str(height), *texts,
                               *[str(c) for c in self.column_widths()], archiver,
                               str(checked[0] if checked else 0), "1" if save_path else "0",
                               "1" if clear_end else "0"]))

    def choose_menu(self, access_key, item_key):
        self.driver.open_menu(self.main, access_key)
        self.driver.choose_in_open_menu(self.main, item_key)

    def box_texts(self, box):
        return [s for s in box["statics"] if s]

    def answer(self, box, caption):
        self.driver.click(box["hwnd"], caption)
        self.driver.wait_gone(box["hwnd"], timeout_ms=60000)
        self.driver.sync(self.main["hwnd"], timeout_ms=60000)

    def start_confirmed(self, label):
        self.choose_menu("r", "r")
        box = self.driver.dialog(CONFIRM_CAPTION, pid=self.main["pid"])
        self.report.equal(f"{label}: Start asks first", self.box_texts(box)[-1:], [CONFIRM_START])
        self.driver.click(box["hwnd"], YES)
        self.driver.wait_gone(box["hwnd"])

    def close_and_expect_exit(self, label, by_post=False):
        if by_post:
            self.driver.one("post-close", "--hwnd", self.main["hwnd"])
        else:
            self.driver.close(self.main["hwnd"])
        ended = self.driver.wait_exit(self.main["pid"], timeout_ms=STARTUP_TIMEOUT_MS)
        self.report.equal(f"{label}: the process ends with exit code 0", ended["exit_code"], 0)
        self.report.equal(f"{label}: the wine launcher returns 0", self.velkin.wait(30), 0)

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
                                                  {x.lower() for x in KEYS}),
                          sorted(k.lower() for k in KEYS))
        self.report.equal(f"{label}: the written values are those the window had",
                          {k: values.get(k.lower()) for k in KEYS}, expected)
        return raw, encoding, entries

    def on_screen(self, label):
        """The window is visible and enabled with its caption on the screen, where the user can
        take hold of it."""
        window = self.main_window_now()
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
                          [r[:2] + [r[3]] for r in self.rows()],
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
            ("random bytes", noise, True, self.expected_menu(DEFAULT_PROFILES), DEFAULT_RECT,
             DEFAULT_COLUMNS, "", None),
            ("10,000-character values",
             main(f"WinRARPath={long_path}", f"RAROption1={long_ascii}",
                  f"RAROption2={long_japanese}", "Column2=" + "7" * 10000),
             False, self.expected_menu([long_ascii[:MAX_VALUE], long_japanese[:MAX_VALUE]]
                                       + DEFAULT_PROFILES[2:]),
             DEFAULT_RECT, DEFAULT_COLUMNS, long_path[:MAX_VALUE], None),
            ("numbers out of range",
             main(f"WinRARPath={archiver}", "MainX=99999999999", "MainY=120",
                  "Column0=-2147483649", "Column1=2147483648", "RAROptionSelect=2147483648",
                  "SavePath=4294967297", "ClearEnd=-99999999999"),
             False, self.expected_menu(DEFAULT_PROFILES), (100, 120, 640, 400), DEFAULT_COLUMNS,
             archiver, None),
            # In range, but no screen is that big: the system caps the size, the window goes
            # onto the monitor. Wine's list view makes both odd column widths 12 pixels.
            ("numbers at the edge of the range",
             main(f"WinRARPath={archiver}", "MainX=2147483647", "MainY=-2147483648",
                  "MainW=2147483647", "MainH=2147483647", "Column3=2147483647", "Column4=-5"),
             False, self.expected_menu(DEFAULT_PROFILES), self.covers_screen,
             lambda widths: (widths[:3] + widths[5:] == [50, 80, 200, 70]
                             and all(0 < w <= self.screen[0] for w in widths[3:5])),
             archiver, None),
            ("duplicate keys and sections",
             main(f"WinRARPath={archiver}", "MainW=500", "MainW=600", "RAROption1=-first",
                  "RAROption1=-second", "RAROptionSelect=2")
             + b"[Other]\r\nKeep=1\r\n"
             + main("MainW=700", "MainH=333", "RAROption3=-from the second Main",
                    "RAROptionSelect=4"),
             False, self.expected_menu(["-first"] + DEFAULT_PROFILES[1:], 2),
             (100, 100, 500, 400), DEFAULT_COLUMNS, archiver, "duplicates"),
            ("no Main section",
             (f"WinRARPath={archiver}\r\nMainW=520\r\n[main2]\r\nMainW=530\r\n"
              f"[Settings]\r\nWinRARPath={archiver}\r\nRAROption1=-elsewhere\r\n").encode("cp932"),
             True, self.expected_menu(DEFAULT_PROFILES), DEFAULT_RECT, DEFAULT_COLUMNS, "",
             "no main"),
            ("UTF-8 with BOM",
             b"\xef\xbb\xbf" + (f"[Main]\r\nWinRARPath={archiver}\r\nRAROption1=-m3 テスト ☃ 한국\r\n"
                                "MainW=500\r\n").encode("utf-8"),
             False, self.expected_menu(["-m3 テスト ☃ 한국"] + DEFAULT_PROFILES[1:]),
             (100, 100, 500, 400), DEFAULT_COLUMNS, archiver, "utf8"),
            ("empty file", b"", True, self.expected_menu(DEFAULT_PROFILES), DEFAULT_RECT,
             DEFAULT_COLUMNS, "", None),
        ]

    def garbage_settings(self):
        self.screen = screen_size()
        for number, (name, data, prompt, menu, rect, columns, archiver, extra) in \
                enumerate(self.settings_cases()):
            label = f"settings file: {name}"
            try:
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
                shown = self.menu_state()
                self.report.equal(f"{label}: profiles, checked profile and options", shown, menu)
                widths = self.column_widths()
                if callable(columns):
                    self.report.check(f"{label}: column widths as expected: {widths}",
                                      columns(widths))
                else:
                    self.report.equal(f"{label}: column widths", widths, columns)
                if name == "random bytes":
                    screenshot(os.path.join(self.args.artifacts, "faults-garbage-settings.png"))
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
                                       ("Main", "RAROption3", DEFAULT_PROFILES[2]),
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
            finally:
                self.velkin.cleanup(remove_folder=False)

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
        rows = self.rows()
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
            self.start_confirmed(label)
            box = self.driver.dialog(TITLE, pid=self.main["pid"], timeout_ms=30000)
            self.report.equal(f"{label}: error box text and button",
                              (self.box_texts(box)[-1:], box["buttons"]),
                              ([f"ファイル {program_folder}\\Velkin.lst を作成できません."], ["OK"]))
            self.report.equal(f"{label}: rows keep their state while the box shows", self.rows(),
                              expected)
            self.answer(box, "OK")
            self.report.equal(f"{label}: the run ends there: no further box", self.boxes(), [])
            self.report.equal(f"{label}: no archiver started", log.runs(), [])
            self.report.equal(f"{label}: rows keep their state", self.rows(), expected)
            window = self.main_window_now()
            self.report.check(f"{label}: main window enabled", window and window["enabled"])
        finally:
            os.rmdir(list_file)

        # Start again, the cause gone: every group runs, failures and all.
        label = "run after the fix"
        self.start_confirmed(label)
        box = self.run_end_box(label)
        shot = os.path.join(self.args.artifacts, "faults-statuses.png")
        self.report.check(f"screenshot of the statuses: {shot}", screenshot(shot))
        self.answer(box, "OK")
        rows = self.rows()
        runs = {run["archivePath"]: run for run in log.runs()}
        self.report.equal(f"{label}: one stand-in run per group, the crashed one aside",
                          len(log.runs()), len(groups) - 1)
        for number, (group_label, paths, archive, code) in enumerate(groups):
            status = status_for(ACCESS_VIOLATION if code is None else code)
            for row in expected:
                if row[0] == str(number):
                    row[STATUS_COLUMN] = status
            shown = [r[STATUS_COLUMN] for r in rows if r[0] == str(number)]
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
                want_bytes, encoding = list_bytes([windows_path(p) for p in paths])
                self.report.equal(f"group {number} ({group_label}): list file bytes "
                                  f"({encoding})", base64.b64decode(run["listFileBase64"] or ""),
                                  want_bytes)
                self.check_archive(f"group {number} ({group_label})", archive, paths)
        self.report.equal(f"{label}: every row as expected, OK only where the archiver "
                          "succeeded", rows, expected)
        self.report.check(f"{label}: main window enabled after the run",
                          self.main_window_now()["enabled"])

        # The settings file cannot be written at the close.
        label = "Velkin.ini is a folder at the close"
        before_menu = self.menu_state()
        expected_values = self.window_values(windows_path(fault))
        ini = self.velkin.settings_path()
        os.remove(ini)
        os.mkdir(ini)
        try:
            self.driver.close(self.main["hwnd"])
            box = self.driver.dialog(TITLE, pid=self.main["pid"], timeout_ms=30000)
            self.report.equal(f"{label}: error box text and button",
                              (self.box_texts(box), box["buttons"]),
                              ([f"{windows_path(ini)} に書き込めません."], ["OK"]))
            self.answer(box, "OK")
            window = self.main_window_now()
            self.report.check(f"{label}: Velkin still runs, its window visible and enabled",
                              self.velkin.process.poll() is None and window is not None
                              and window["enabled"])
            self.report.equal(f"{label}: every row and status kept", self.rows(), expected)
            self.report.equal(f"{label}: menu state kept", self.menu_state(), before_menu)
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
        self.start_confirmed(label)
        for number, statuses in enumerate(([NOT_STARTED] * 2 + [""], [NOT_STARTED] * 3)):
            box = self.driver.dialog(TITLE, pid=self.main["pid"], timeout_ms=30000)
            self.report.equal(f"{label}, group {number}: the box says the start failed",
                              (self.box_texts(box)[-1:], box["buttons"]), ([START_FAILED], ["OK"]))
            self.report.equal(f"{label}, group {number}: statuses while it shows",
                              self.statuses(), statuses)
            self.driver.click(box["hwnd"], "OK")
            self.driver.wait_gone(box["hwnd"])
        box = self.driver.dialog(CLEAR_BY_HAND_CAPTION, pid=self.main["pid"], timeout_ms=30000)
        self.answer(box, "OK")
        self.report.equal(f"{label}: afterwards every row reads {NOT_STARTED}, none OK",
                          self.statuses(), [NOT_STARTED] * 3)
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
        self.start_confirmed(label)
        seen = wait_until(lambda: (self.statuses(), self.main_window_now()["enabled"]),
                          lambda look: look[0][0] == RUNNING, timeout_s=30)
        self.report.equal(f"{label}: group 0 runs and the window is disabled", seen,
                          ([RUNNING, "", ""], False))
        self.driver.one("post-close", "--hwnd", self.main["hwnd"])
        self.driver.sync(self.main["hwnd"])
        self.report.check(f"{label}: the window answers and stays",
                          self.velkin.process.poll() is None and self.main_window_now() is not None)
        box = self.run_end_box(label)
        self.report.equal(f"{label}: the run went on to its end: both groups ran, OK",
                          ([r["archivePath"] for r in log.runs()], self.statuses()),
                          ([windows_path(os.path.join(data, "c1.rar")),
                            windows_path(os.path.join(data, "d1.rar"))], [DONE] * 3))
        self.report.check(f"{label}: still running while the closing box shows",
                          self.velkin.process.poll() is None)
        self.driver.click(box["hwnd"], "OK")
        ended = self.driver.wait_exit(self.main["pid"], timeout_ms=STARTUP_TIMEOUT_MS)
        self.report.equal(f"{label}: after the box the close happens: exit code 0",
                          ended["exit_code"], 0)
        self.report.equal(f"{label}: the wine launcher returns 0", self.velkin.wait(30), 0)
        values = main_section(self.saved_values()[2])
        self.report.equal(f"{label}: the settings file was written at the close (all 19 keys)",
                          sorted(k for k in values if k in {x.lower() for x in KEYS}),
                          sorted(k.lower() for k in KEYS))

    # Big lists.

    def count_until(self, total, timeout_ms=BIG_TIMEOUT_MS):
        """Waits (bounded) until the list has `total` rows; the count then."""
        self.driver.run("row-count", "--hwnd", self.main["hwnd"], "--until", total,
                        "--timeout-ms", timeout_ms, timeout_ms=timeout_ms)
        self.driver.sync(self.main["hwnd"], timeout_ms=60000)
        return self.row_count()

    def sampled(self, label, expected, columns, step):
        """Every step-th row (and the last) against the expected rows, given columns only."""
        got = self.driver.rows(self.main["hwnd"], columns=columns, step=step,
                               timeout_ms=120000)["rows"]
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

    def clear_list(self, label):
        self.choose_menu("e", "c")
        box = self.driver.dialog(CONFIRM_CAPTION, pid=self.main["pid"])
        self.report.equal(f"{label}: clear asks", self.box_texts(box), [CLEAR_QUESTION])
        self.answer(box, YES)

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
        shot = os.path.join(self.args.artifacts, "faults-big-list.png")
        self.report.check(f"screenshot of the big list: {shot}", screenshot(shot))

        label = f"clearing {BIG_DROP:,} rows"
        self.clear_list(label)
        self.report.equal(f"{label}: the list is empty and the window answers",
                          self.row_count(), 0)

        label = f"three drops of {THIRD:,}, the middle one deleted"
        thirds = []
        for number, part in enumerate("pqr"):
            part_folder = os.path.join(self.work, "nothing here", part)
            paths = [os.path.join(part_folder, f"{part}{i:05d}.dat") for i in range(THIRD)]
            thirds.append(paths)
            self.drop(paths, timeout_ms=BIG_TIMEOUT_MS)
            self.count_until(THIRD * (number + 1))
        expected = rows_of(0, thirds[0]) + rows_of(1, thirds[1]) + rows_of(2, thirds[2])
        self.report.equal(f"{label}: {3 * THIRD:,} rows", self.row_count(), 3 * THIRD)
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
        box = self.driver.dialog(CONFIRM_CAPTION, pid=self.main["pid"])
        self.report.equal(f"{label}: Delete asks about group 1", self.box_texts(box),
                          ["1" + DELETE_SUFFIX])
        self.answer(box, YES)
        self.report.equal(f"{label}: {2 * THIRD:,} rows left", self.row_count(), 2 * THIRD)
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

        def driver_process(*words):
            return subprocess.Popen(["wine", self.driver.driver_exe, *map(str, words)],
                                    stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE)

        watcher = driver_process("row-count", "--hwnd", self.main["hwnd"], "--until", total,
                                 "--timeout-ms", BIG_TIMEOUT_MS)
        closer = None
        try:
            first = watcher.stdout.readline()
            if not first:
                raise DriverError("row-count watcher printed nothing")
            closer = driver_process("post-close", "--hwnd", self.main["hwnd"], "--after-rows",
                                    before, "--until", total, "--timeout-ms", BIG_TIMEOUT_MS)
            late = [os.path.join(big_folder, f"g{i:06d}.dat") for i in range(BIG_DROP)]
            self.drop(late, timeout_ms=BIG_TIMEOUT_MS)
            posted_out, posted_err = closer.communicate(timeout=BIG_TIMEOUT_MS / 1000 + 30)
            out, err = watcher.communicate(timeout=BIG_TIMEOUT_MS / 1000 + 30)
        finally:
            for process in (watcher, closer):
                if process is not None and process.poll() is None:
                    process.kill()
                    process.wait(timeout=15)
        posted = json.loads(posted_out.decode() or "{}") if closer.returncode == 0 else {}
        counts = [(json.loads(line)["row_count"], json.loads(line)["time_100ns"])
                  for line in [first] + out.decode().splitlines() if line.strip()]
        later = [c for c, t in counts if t > posted.get("time_100ns", 0)]
        print(f"note: {label}: the close was posted first at {posted.get('row_count')} rows, "
              f"{posted.get('posts')} times in all; counts seen after the first: {later}",
              flush=True)
        self.report.check(f"{label}: the close was posted while rows were still arriving",
                          before < posted.get("row_count", -1) < total,
                          f"post-close exit {closer.returncode}: {posted_err.decode()[-300:]}"
                          f" {posted}")
        self.report.check(f"{label}: the window stayed until all {total:,} rows were in",
                          watcher.returncode == 0 and counts[-1][0] == total and bool(later),
                          f"watcher exit {watcher.returncode}: {err.decode()[-300:]}; last "
                          f"counts {counts[-3:]}")
        ended = self.driver.wait_exit(self.main["pid"], timeout_ms=BIG_TIMEOUT_MS)
        self.report.equal(f"{label}: then the process ends with exit code 0",
                          ended["exit_code"], 0)
        self.report.equal(f"{label}: the wine launcher returns 0", self.velkin.wait(30), 0)
        values = main_section(self.saved_values()[2])
        self.report.equal(f"{label}: the settings file was written (all 19 keys)",
                          sorted(k for k in values if k in {x.lower() for x in KEYS}),
                          sorted(k.lower() for k in KEYS))

    def run_end_box(self, label):
        """The box that ends a run; any other box on the way fails the check at once, with
        its text, instead of a long wait."""
        deadline = time.monotonic() + RUN_LIMIT_S
        while time.monotonic() < deadline:
            boxes = self.boxes()
            if boxes:
                box = self.driver.dialog(pid=self.main["pid"])
                if box["caption"] != CLEAR_BY_HAND_CAPTION:
                    raise DriverError(f"{label}: unexpected box {box['caption']!r}: "
                                      f"{self.box_texts(box)}; statuses {self.statuses()}")
                return box
            time.sleep(0.2)
        raise DriverError(f"{label}: the run did not end within {RUN_LIMIT_S} s; statuses "
                          f"{self.statuses()}")

    def start_in(self, folder, settings, env):
        self.velkin = VelkinProcess(self.args.velkin, folder=folder, settings=settings, env=env)
        self.processes.append(self.velkin)
        self.main, prompt_seen = wait_for_main_window(self.driver, self.velkin)
        self.report.check(f"{os.path.basename(folder)}: Velkin starts without a question",
                          not prompt_seen)

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

    def cleanup(self):
        for process in self.processes:
            if process.process.poll() is None:
                print("killing a Velkin still running after its scenario", flush=True)
            process.cleanup(remove_folder=False)
        shutil.rmtree(self.work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--velkin", required=True, help="Velkin.exe to test")
    parser.add_argument("--driver", required=True, help="velkin_driver.exe")
    parser.add_argument("--standin", required=True, help="StandInArchiver.exe")
    parser.add_argument("--fault-archiver", required=True, help="velkin_fault_archiver.exe")
    parser.add_argument("--artifacts", required=True, help="folder for screenshots")
    parser.add_argument("--build", required=True, help="folder for the xdnd_drop helper")
    parser.add_argument("--only", nargs="*", help="run only these scenarios")
    parser.add_argument("--verbose", action="store_true", help="print every driver command")
    args = parser.parse_args()
    require_session()
    for name in ("VELKIN_STANDIN_LOG", "VELKIN_STANDIN_DELAY_MS", "VELKIN_STANDIN_EXIT_CODE"):
        os.environ.pop(name, None)
    os.makedirs(args.artifacts, exist_ok=True)
    for name in os.listdir(args.artifacts):
        if name.startswith("faults-failed-"):  # from an earlier run; would mislead
            os.remove(os.path.join(args.artifacts, name))

    report = Report()
    test = FaultsTest(args, report)
    scenarios = [test.garbage_settings, test.archiver_faults, test.missing_archiver,
                 test.close_while_running, test.big_lists]
    try:
        for scenario in scenarios:
            if args.only and scenario.__name__ not in args.only:
                continue
            started = time.monotonic()
            try:
                scenario()
            except (DriverError, xdnd.XdndError, OSError, subprocess.SubprocessError, KeyError,
                    IndexError, ValueError, TypeError, zipfile.BadZipFile) as error:
                report.check(f"{scenario.__name__} ran to its end", False,
                             f"{type(error).__name__}: {error}")
                traceback.print_exc(file=sys.stdout)
                shot = os.path.join(args.artifacts, f"faults-failed-{scenario.__name__}.png")
                try:
                    screenshot(shot)
                    print(f"screen at the failure: {shot}")
                except (OSError, subprocess.SubprocessError):
                    pass
            finally:
                for process in test.processes:
                    if process.process.poll() is None:
                        print(f"killing a Velkin left running by {scenario.__name__}", flush=True)
                        process.kill()
                print(f"note: {scenario.__name__} took {time.monotonic() - started:.1f} s",
                      flush=True)
    finally:
        test.cleanup()
    return report.summary()


if __name__ == "__main__":
    sys.exit(main())
