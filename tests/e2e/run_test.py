#!/usr/bin/env python3
"""End-to-end test of compression runs: the Start command of the real Velkin.exe with the
stand-in archiver, on files really dropped onto the window (XDND through Wine).

What the archiver was given (command line, list-file bytes, start and end times) comes from the
stand-in's JSON-lines log; what it made is read back with zipfile.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  run_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
              --artifacts DIR --build DIR
"""

import argparse
import base64
import json
import os
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
from velkin_e2e import (MAIN_WINDOW_CLASS, MENU_WINDOW_CLASS, Driver, DriverError,  # noqa: E402
                        Report, VelkinProcess, require_session, screenshot,
                        wait_for_main_window, wait_until, windows_path)

TITLE = "Velkin 070509"
DIALOG_CLASS = "#32770"
CONFIRM_CAPTION = "確認"
CONFIRM_START = "圧縮を開始します。\n宜しいですか?"
CONFIRM_CLEAR = "現在のリストをクリアします。よろしいですか?"
CLEAR_BY_HAND_CAPTION = "手動でクリアして下さい"
CLEAR_BY_HAND = "続けて登録と圧縮する場合はリストをクリアして下さい。"
START_FAILED = "WinRARの起動に失敗しました."
RUNNING = "圧縮中"
DONE = "OK"
NOT_STARTED = "起動失敗"
YES = "はい(&Y)"
NO = "いいえ(&N)"
STATUS_COLUMN = 5
NUMBER_COLUMN = 0
CLEAR_END = "圧縮終了後にリストをクリア(&C)"

PROFILES = {
    1: "-EP1 -S -M5 -MD4096",
    2: "-EP1 -S -M3 -afzip",
    3: "-EP1 -M0 -x*.bak",
}
# Long enough for several looks at the window while each group runs; nothing is timed.
DELAY_MS = 2500
RUN_LIMIT_S = 120  # only guards against a run that never ends


def plain_caption(caption):
    """A button's caption without its access key: "はい(&Y)" reads "はい"."""
    return re.sub(r"\(&.\)$", "", caption).replace("&", "")


def list_bytes_ansi(paths):
    return b"".join(p.encode("cp932") + b"\r\n" for p in paths)


def list_bytes_utf16(paths):
    return b"\xff\xfe" + b"".join((p + "\r\n").encode("utf-16-le") for p in paths)


def command_line(archiver, switches, archive, program_folder):
    return f'"{archiver}" A {switches} "{archive}" "@{program_folder}\\Velkin.lst"'


def expected_entries(paths):
    """The names -EP1 stores for dropped Unix paths (base folder left out), with the bytes of
    every file; folders end in "/"."""
    entries = {}
    for path in paths:
        base = os.path.basename(path)
        if os.path.isdir(path):
            entries[base + "/"] = None
            for root, dirs, files in os.walk(path):
                relative = os.path.relpath(root, os.path.dirname(path)).replace(os.sep, "/")
                for name in dirs:
                    entries[f"{relative}/{name}/"] = None
                for name in files:
                    with open(os.path.join(root, name), "rb") as f:
                        entries[f"{relative}/{name}"] = f.read()
        else:
            with open(path, "rb") as f:
                entries[base] = f.read()
    return entries


def archive_entries(unix_archive):
    with zipfile.ZipFile(unix_archive) as archive:
        return {info.filename: (None if info.is_dir() else archive.read(info))
                for info in archive.infolist()}


def make_file(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content if isinstance(content, bytes) else content.encode("utf-8"))
    return path


def icon_colours(rect, scratch):
    """Strongly red and strongly blue pixels on the screen in the left third of a message box,
    where the system puts its icon: the error icon is red, the information icon blue, and a box
    without icon has only grey background and black text there."""
    shot = os.path.join(scratch, "box.png")
    screenshot(shot)
    left, top, right, bottom = rect
    width = max(1, (right - left) // 3)
    height = max(1, bottom - top)
    raw = subprocess.run(["convert", shot, "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                          "-depth", "8", "rgb:-"], check=True, capture_output=True, timeout=60,
                         stdin=subprocess.DEVNULL).stdout
    red = blue = 0
    for at in range(0, len(raw) - 2, 3):
        r, g, b = raw[at], raw[at + 1], raw[at + 2]
        if r > 150 and g < 100 and b < 100:
            red += 1
        elif b > 150 and r < 100:
            blue += 1
    return red, blue


class StandinLog:
    def __init__(self, path):
        self.path = path

    def runs(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path, "rb") as f:
            return [json.loads(line) for line in f.read().decode("utf-8").splitlines()
                    if line.strip()]


class RunTest:
    def __init__(self, args, report):
        self.args = args
        self.report = report
        self.driver = Driver(args.driver, args.verbose)
        self.work = tempfile.mkdtemp(prefix="velkin-run-")
        self.velkin = None
        self.main = None
        self.program_folder = None  # as Velkin sees it, Z:\...
        self.archiver = None
        self.log = None
        self.processes = []

    # Starting and looking.

    def launch(self, name, archiver_present=True, env=None, settings=None):
        """A fresh program folder holding Velkin and a copy of the stand-in, Velkin.ini naming
        that copy (or, with archiver_present False, a file that does not exist)."""
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        standin = os.path.join(folder, "StandInArchiver.exe")
        if archiver_present:
            shutil.copy2(self.args.standin, standin)
        else:
            standin = os.path.join(folder, "missing", "StandInArchiver.exe")
        self.archiver = windows_path(standin)
        self.log = StandinLog(os.path.join(self.work, name + "-standin.jsonl"))
        # Wide enough that the screenshots show whole statuses.
        values = {"MainX": 0, "MainY": 0, "MainW": 1270, "MainH": 560, "Column3": 300,
                  "Column4": 300, "Column5": 230, "WinRARPath": self.archiver, "SavePath": 0,
                  "ClearEnd": 0, "RAROptionSelect": 1}
        for number, text in PROFILES.items():
            values[f"RAROption{number}"] = text
        values.update(settings or {})
        environment = {"VELKIN_STANDIN_LOG": windows_path(self.log.path)}
        environment.update(env or {})
        self.velkin = VelkinProcess(self.args.velkin, folder=folder, settings=values,
                                    env=environment)
        self.processes.append(self.velkin)
        self.program_folder = windows_path(folder)
        self.main, prompt_seen = wait_for_main_window(self.driver, self.velkin)
        self.report.check(f"{name}: Velkin starts without asking for WinRAR (WinRARPath set)",
                          not prompt_seen)

    def rows(self):
        return self.driver.list_view(self.main["hwnd"])["rows"]

    def statuses(self):
        return [row[STATUS_COLUMN] for row in self.rows()]

    def main_enabled(self):
        return self.driver.window(MAIN_WINDOW_CLASS, pid=self.main["pid"])["enabled"]

    def boxes(self):
        return [w for w in self.driver.windows(pid=self.main["pid"])
                if w["class"] == DIALOG_CLASS]

    def drop(self, paths, expected_rows):
        xdnd.drop(paths, window_name=TITLE, build_dir=self.args.build,
                  types=["text/uri-list"])
        return wait_until(self.rows, lambda rows: len(rows) == expected_rows)

    def choose_profile(self, number):
        self.driver.open_menu(self.main, "p")
        if number > 1:
            self.driver.keys(f"down*{number - 1}")
        self.driver.choose_in_open_menu(self.main, "enter")

        def checked():
            dump = self.driver.menu(self.main["hwnd"])
            items = dump["items"][2]["items"][:5]
            return [i + 1 for i, item in enumerate(items) if item["checked"]]

        self.report.equal(f"profile {number} chosen from the menu",
                          wait_until(checked, lambda c: c == [number]), [number])

    def clear_end_checked(self):
        dump = self.driver.menu(self.main["hwnd"])
        for item in dump["items"][3]["items"]:
            if item["caption"] == CLEAR_END:
                return item["checked"]
        raise DriverError("no menu item " + CLEAR_END)

    def toggle_clear_end(self, want):
        self.driver.open_menu(self.main, "r")
        self.driver.choose_in_open_menu(self.main, "c")
        self.report.equal(f"{CLEAR_END} is now {'checked' if want else 'unchecked'}",
                          wait_until(self.clear_end_checked, lambda c: c == want), want)

    def choose_start(self):
        self.driver.open_menu(self.main, "r")
        self.driver.choose_in_open_menu(self.main, "r")

    def start_confirmed(self, label):
        """Start, check the confirmation box, answer Yes."""
        self.choose_start()
        box = self.driver.dialog(CONFIRM_CAPTION, pid=self.main["pid"])
        self.report.equal(f"{label}: confirmation text", box["statics"][-1:], [CONFIRM_START])
        self.report.equal(f"{label}: confirmation buttons",
                          [plain_caption(b) for b in box["buttons"]], ["はい", "いいえ"])
        self.driver.click(box["hwnd"], YES)
        self.driver.wait_gone(box["hwnd"])

    def wait_for_box(self, caption, timeout_s=RUN_LIMIT_S):
        return self.driver.dialog(caption, pid=self.main["pid"], timeout_ms=timeout_s * 1000)

    def dismiss(self, box):
        self.driver.click(box["hwnd"], "OK")
        self.driver.wait_gone(box["hwnd"])
        self.driver.sync(self.main["hwnd"])

    def check_runs_sequential(self, label, runs):
        for before, after in zip(runs, runs[1:]):
            self.report.check(f"{label}: run of {after['archivePath']} starts after the run of "
                              f"{before['archivePath']} ended",
                              before["end"] <= after["start"] and before["pid"] != after["pid"],
                              f"{before['start']}..{before['end']} then "
                              f"{after['start']}..{after['end']}")

    def check_run(self, label, run, switches, archive, paths, encoding="ansi"):
        self.report.equal(f"{label}: exact command line", run["commandLine"],
                          command_line(self.archiver, switches, archive, self.program_folder))
        expected = list_bytes_utf16(paths) if encoding == "utf16" else list_bytes_ansi(paths)
        self.report.equal(f"{label}: exact list-file bytes ({encoding})",
                          base64.b64decode(run["listFileBase64"] or ""), expected)

    def check_archive(self, label, unix_archive, dropped):
        if not self.report.check(f"{label}: archive {os.path.basename(unix_archive)} exists",
                                 os.path.isfile(unix_archive)):
            return
        self.report.equal(f"{label}: archive holds the dropped items under -EP1 names",
                          archive_entries(unix_archive), expected_entries(dropped))

    # Instance A: the ordinary runs with a slow archiver, then merging, clearing and names.

    def three_drops(self):
        self.launch("a", env={"VELKIN_STANDIN_DELAY_MS": str(DELAY_MS)})
        self.empty_start()
        one = os.path.join(self.work, "data", "src one")
        two = os.path.join(self.work, "data", "src2")
        three = os.path.join(self.work, "data", "src3")
        self.groups = [
            (1, [make_file(os.path.join(one, "alpha.txt"), "alpha\n"),
                 make_file(os.path.join(one, "表.txt"), "表の中身\n")],
             os.path.join(one, "alpha.rar")),
            (2, [os.path.join(two, "photos"),
                 make_file(os.path.join(two, "readme.md"), "# read me\n")],
             os.path.join(two, "photos.zip")),
            (3, [make_file(os.path.join(three, "data.bin"), bytes(range(256)) * 40)],
             os.path.join(three, "data.rar")),
        ]
        make_file(os.path.join(two, "photos", "p1.jpg"), b"\xff\xd8\xff" + os.urandom(3000))
        make_file(os.path.join(two, "photos", "sub", "p2.txt"), "second\n")
        count = 0
        for number, (profile, paths, _) in enumerate(self.groups):
            self.choose_profile(profile)
            count += len(paths)
            rows = self.drop(paths, count)
            self.report.equal(f"drop {number} arrives as rows numbered {number}",
                              [r[NUMBER_COLUMN] for r in rows[count - len(paths):]],
                              [str(number)] * len(paths))
        self.report.equal("destinations as Velkin named them",
                          [r[4] for r in self.rows()],
                          [windows_path(a) for _, p, a in self.groups for _ in p])
        self.report.equal("statuses empty before any run", self.statuses(), [""] * count)
        self.answer_no()

    def empty_start(self):
        self.choose_start()
        try:
            box = self.driver.dialog(pid=self.main["pid"], timeout_ms=3000)
            self.report.check("Start with an empty list shows no box", False,
                              f"box {box['caption']!r}: {box['statics']}")
            self.driver.keys("esc", hwnd=box["hwnd"])
        except DriverError:
            self.report.check("Start with an empty list shows no box", True)
        self.report.check("Start with an empty list starts nothing and writes no list file",
                          not self.log.runs() and
                          not os.path.exists(os.path.join(self.velkin.folder, "Velkin.lst")))

    def answer_no(self):
        before = self.rows()
        self.choose_start()
        box = self.driver.dialog(CONFIRM_CAPTION, pid=self.main["pid"])
        self.report.equal("confirmation text", box["statics"][-1:], [CONFIRM_START])
        self.driver.click(box["hwnd"], NO)
        self.driver.wait_gone(box["hwnd"])
        self.driver.sync(self.main["hwnd"])
        self.report.equal("No: no further box", self.boxes(), [])
        self.report.equal("No: rows unchanged", self.rows(), before)
        self.report.check("No: nothing started, no list file written",
                          not self.log.runs() and
                          not os.path.exists(os.path.join(self.velkin.folder, "Velkin.lst")))

    def watch_run(self, label, groups, shot_while_running=None):
        """Looks at the window again and again until the run's closing box shows; returns
        [(main enabled, statuses, synced)] and the box. Every look asks Velkin's own thread
        (the list view answers its messages), so looks during a group show that Velkin keeps
        answering while the archiver runs."""
        looks = []
        deadline = time.monotonic() + RUN_LIMIT_S
        synced_groups = set()
        while time.monotonic() < deadline:
            shown = self.driver.windows(pid=self.main["pid"])
            boxes = [w for w in shown if w["class"] == DIALOG_CLASS]
            if boxes:
                return looks, boxes[0]
            enabled = [w["enabled"] for w in shown if w["class"] == MAIN_WINDOW_CLASS]
            statuses = self.statuses()
            running = self.running_group(statuses, groups)
            synced = False
            if running is not None and running not in synced_groups:
                # Sent to the main window itself; then it must still be the same group.
                self.driver.sync(self.main["hwnd"])
                synced = self.running_group(self.statuses(), groups) == running
                if synced:
                    synced_groups.add(running)
            looks.append((enabled[0] if enabled else None, statuses, synced))
            if running == 1 and shot_while_running and not os.path.exists(shot_while_running):
                screenshot(shot_while_running)
        raise DriverError(f"{label}: no box after {RUN_LIMIT_S} s; last statuses "
                          f"{looks[-1][1] if looks else None}")

    @staticmethod
    def running_group(statuses, groups):
        """The group g whose rows read 圧縮中 while those before read OK and those after are
        still as before the run (given per row by groups' third element), or None."""
        at = 0
        for g, (rows, before_status) in enumerate(groups):
            mine = statuses[at:at + rows]
            if mine == [RUNNING] * rows:
                earlier = statuses[:at]
                later = statuses[at + rows:]
                if earlier == [DONE] * len(earlier) and \
                        later == [s for r, s in groups[g + 1:] for _ in range(r)]:
                    return g
                return None
            at += rows
        return None

    def first_run(self):
        label = "run 1"
        sizes = [len(paths) for _, paths, _ in self.groups]
        self.start_confirmed(label)
        running_shot = os.path.join(self.args.artifacts, "run-in-progress.png")
        if os.path.exists(running_shot):
            os.remove(running_shot)
        looks, box = self.watch_run(label, [(n, "") for n in sizes], running_shot)
        for g in range(len(self.groups)):
            seen = [look for look in looks
                    if self.running_group(look[1], [(n, "") for n in sizes]) == g]
            self.report.check(f"{label}: group {g} seen alone as {RUNNING} (earlier OK, later "
                              "empty)", bool(seen), f"looks: {[look[1] for look in looks]}")
            self.report.check(f"{label}: main window disabled while group {g} runs",
                              bool(seen) and any(look[0] is False for look in seen),
                              f"enabled flags while running: {[look[0] for look in seen]}")
            self.report.check(f"{label}: main window answered a sync while group {g} ran",
                              any(look[2] for look in seen))
        self.report.check("screenshot while group 1 runs: " + running_shot,
                          os.path.exists(running_shot))
        self.report.equal(f"{label}: closing box caption", box["caption"], CLEAR_BY_HAND_CAPTION)
        info = self.driver.dialog(CLEAR_BY_HAND_CAPTION, pid=self.main["pid"])
        self.report.equal(f"{label}: closing box text", info["statics"][-1:], [CLEAR_BY_HAND])
        self.report.equal(f"{label}: closing box buttons", info["buttons"], ["OK"])
        red, blue = icon_colours(info["rect"], self.work)
        self.report.check(f"{label}: closing box shows the (blue) information icon",
                          blue > 50 and red < 10, f"red {red}, blue {blue} pixels")
        self.report.equal(f"{label}: statuses all OK while the box shows", self.statuses(),
                          [DONE] * sum(sizes))
        self.dismiss(info)
        self.report.check(f"{label}: main window enabled after the run", self.main_enabled())
        self.report.equal(f"{label}: rows stay with OK", self.statuses(), [DONE] * sum(sizes))
        shot = os.path.join(self.args.artifacts, "run-statuses.png")
        self.report.check("screenshot of the statuses: " + shot, screenshot(shot))

        runs = self.log.runs()
        self.report.equal(f"{label}: one archiver run per group", len(runs), len(self.groups))
        for g, (run, (profile, paths, archive)) in enumerate(zip(runs, self.groups)):
            self.check_run(f"{label} group {g}", run, PROFILES[profile], windows_path(archive),
                           [windows_path(p) for p in paths])
            self.report.equal(f"{label} group {g}: stand-in exit code", run["exitCode"], 0)
            self.check_archive(f"{label} group {g}", archive, paths)
        self.check_runs_sequential(label, runs)
        with open(os.path.join(self.velkin.folder, "Velkin.lst"), "rb") as f:
            self.report.equal(f"{label}: Velkin.lst left with the last group's list", f.read(),
                              list_bytes_ansi([windows_path(p) for p in self.groups[-1][1]]))

    def second_run(self):
        label = "run 2 (list not cleared)"
        sizes = [len(paths) for _, paths, _ in self.groups]
        first = self.log.runs()
        self.start_confirmed(label)
        looks, box = self.watch_run(label, [(n, DONE) for n in sizes])
        self.report.equal(f"{label}: closing box caption", box["caption"], CLEAR_BY_HAND_CAPTION)
        self.report.check(f"{label}: groups seen running one by one",
                          {self.running_group(look[1], [(n, DONE) for n in sizes])
                           for look in looks} >= {0, 1, 2},
                          f"looks: {[look[1] for look in looks]}")
        self.dismiss(box)
        runs = self.log.runs()[len(first):]
        self.report.equal(f"{label}: every group runs again, same command lines, same order",
                          [r["commandLine"] for r in runs], [r["commandLine"] for r in first])
        self.report.equal(f"{label}: same list files",
                          [r["listFileBase64"] for r in runs], [r["listFileBase64"] for r in first])
        self.check_runs_sequential(label, runs)
        self.report.equal(f"{label}: statuses OK again", self.statuses(), [DONE] * sum(sizes))

    def unwritable_list_file(self):
        label = "Velkin.lst is a folder"
        list_file = os.path.join(self.velkin.folder, "Velkin.lst")
        os.remove(list_file)
        os.mkdir(list_file)
        before_rows = self.rows()
        before_runs = len(self.log.runs())
        try:
            self.start_confirmed(label)
            box = self.wait_for_box(TITLE, timeout_s=30)
            expected = f"ファイル {self.program_folder}\\Velkin.lst を作成できません."
            self.report.equal(f"{label}: error text", box["statics"][-1:], [expected])
            self.report.equal(f"{label}: error box buttons", box["buttons"], ["OK"])
            red, blue = icon_colours(box["rect"], self.work)
            self.report.check(f"{label}: error box shows the (red) error icon",
                              red > 50 and blue < 10, f"red {red}, blue {blue} pixels")
            self.report.equal(f"{label}: statuses unchanged", self.rows(), before_rows)
            self.dismiss(box)
            self.report.equal(f"{label}: the run ends there (no further box)", self.boxes(), [])
            self.report.equal(f"{label}: nothing started", len(self.log.runs()), before_runs)
            self.report.equal(f"{label}: rows unchanged afterwards", self.rows(), before_rows)
            self.report.check(f"{label}: main window enabled", self.main_enabled())
        finally:
            os.rmdir(list_file)

    def merged_group(self):
        label = "merged group"
        self.driver.open_menu(self.main, "e")
        self.driver.keys("c")
        box = self.driver.dialog(CONFIRM_CAPTION, pid=self.main["pid"])
        self.report.equal("clear list: question", box["statics"][-1:], [CONFIRM_CLEAR])
        self.driver.click(box["hwnd"], YES)
        self.report.equal("clear list: empty", wait_until(self.rows, lambda r: r == []), [])
        self.toggle_clear_end(True)

        a = os.path.join(self.work, "data", "grpA")
        b = os.path.join(self.work, "data", "grpB")
        x_txt = make_file(os.path.join(a, "x.txt"), "x text\n")
        x_dat = make_file(os.path.join(a, "x.dat"), b"\x00\x01x data")
        w_txt = make_file(os.path.join(a, "w.txt"), "w text\n")
        y_txt = make_file(os.path.join(b, "y.txt"), "y text\n")
        self.choose_profile(3)
        self.drop([x_txt], 1)
        self.drop([y_txt], 2)
        self.choose_profile(1)
        rows = self.drop([x_dat, w_txt], 4)
        archive = os.path.join(a, "x.rar")
        self.report.equal(f"{label}: numbers, profiles and destinations before the deletion",
                          [(r[0], r[1], r[4]) for r in rows],
                          [("0", "3", windows_path(archive)), ("1", "3", windows_path(b) + "\\y.rar"),
                           ("2", "1", windows_path(archive)), ("2", "1", windows_path(archive))])
        # Row 1 (group 1) selected with the keyboard, then Delete.
        self.driver.keys("down", hwnd=self.main["hwnd"])
        wait_until(lambda: self.driver.list_view(self.main["hwnd"])["selected"],
                   lambda s: s == 0)
        self.driver.keys("down", hwnd=self.main["hwnd"])
        selected = wait_until(lambda: self.driver.list_view(self.main["hwnd"])["selected"],
                              lambda s: s == 1)
        self.report.equal(f"{label}: row of group 1 selected", selected, 1)
        self.driver.keys("delete", hwnd=self.main["hwnd"])
        box = self.driver.dialog(CONFIRM_CAPTION, pid=self.main["pid"])
        self.report.equal(f"{label}: delete question",
                          box["statics"][-1:], ["1 番のドロップ分を削除します。\n宜しいですか?"])
        self.driver.click(box["hwnd"], YES)
        rows = wait_until(self.rows, lambda r: len(r) == 3)
        self.report.equal(f"{label}: after deleting group 1 every row is number 0",
                          [r[0] for r in rows], ["0", "0", "0"])

        before = len(self.log.runs())
        self.start_confirmed(label)
        rows = wait_until(self.rows, lambda r: r == [], timeout_s=RUN_LIMIT_S)
        self.report.equal(f"{label}: ClearEnd checked: list empty after the run", rows, [])
        self.driver.sync(self.main["hwnd"])
        self.report.equal(f"{label}: ClearEnd checked: no closing box", self.boxes(), [])
        runs = self.log.runs()[before:]
        self.report.equal(f"{label}: one archiver run for the merged group", len(runs), 1)
        if runs:
            # The last row of the group decides the switches: profile 1, not 3.
            self.check_run(label, runs[0], PROFILES[1], windows_path(archive),
                           [windows_path(p) for p in (x_txt, x_dat, w_txt)])
        self.check_archive(label, archive, [x_txt, x_dat, w_txt])

    def outside_shift_jis(self):
        label = "names outside Shift-JIS"
        folder = os.path.join(self.work, "data", "intl")
        korean = make_file(os.path.join(folder, "한국어 메모.txt"), "annyeong\n")
        emoji = make_file(os.path.join(folder, "😀.txt"), "smile\n")
        japanese = make_file(os.path.join(folder, "日本語.txt"), "nihongo\n")
        rows = self.drop([korean, emoji, japanese], 3)
        self.report.equal(f"{label}: first drop after the cleared run is number 0",
                          [r[0] for r in rows], ["0", "0", "0"])
        self.report.equal(f"{label}: file names shown exactly", [r[2] for r in rows],
                          ["한국어 메모.txt", "😀.txt", "日本語.txt"])
        before = len(self.log.runs())
        self.start_confirmed(label)
        self.report.equal(f"{label}: list cleared after the run",
                          wait_until(self.rows, lambda r: r == [], timeout_s=RUN_LIMIT_S), [])
        runs = self.log.runs()[before:]
        self.report.equal(f"{label}: one archiver run", len(runs), 1)
        archive = os.path.join(folder, "한국어 메모.rar")
        if runs:
            self.check_run(label, runs[0], PROFILES[1], windows_path(archive),
                           [windows_path(p) for p in (korean, emoji, japanese)], "utf16")
            self.report.equal(f"{label}: stand-in exit code", runs[0]["exitCode"], 0)
        self.check_archive(label, archive, [korean, emoji, japanese])

    # Other instances: exit codes and a missing archiver.

    def exit_code(self, code, expected_status):
        label = f"exit code {code}"
        self.launch(f"exit{code}", env={"VELKIN_STANDIN_EXIT_CODE": str(code)})
        folder = os.path.join(self.work, "data", f"exit{code}")
        paths = [make_file(os.path.join(folder, "one.txt"), "1\n"),
                 make_file(os.path.join(folder, "two.txt"), "2\n")]
        self.drop(paths, 2)
        self.start_confirmed(label)
        box = self.wait_for_box(CLEAR_BY_HAND_CAPTION)
        self.report.equal(f"{label}: statuses", self.statuses(), [expected_status] * 2)
        if code == 2:
            shot = os.path.join(self.args.artifacts, "run-failure-status.png")
            self.report.check("screenshot of a failure status: " + shot, screenshot(shot))
        self.dismiss(box)
        runs = self.log.runs()
        self.report.equal(f"{label}: the stand-in ended with {code}",
                          [r["exitCode"] for r in runs], [code])
        self.velkin.cleanup(remove_folder=False)

    def missing_archiver(self):
        label = "missing archiver"
        self.launch("missing", archiver_present=False, settings={"ClearEnd": 1})
        folder = os.path.join(self.work, "data", "missing")
        first = [make_file(os.path.join(folder, "m1.txt"), "1\n"),
                 make_file(os.path.join(folder, "m2.txt"), "2\n")]
        second = [make_file(os.path.join(folder, "n1.txt"), "3\n")]
        self.drop(first, 2)
        self.drop(second, 3)
        self.start_confirmed(label)
        for g, expected in enumerate(([NOT_STARTED] * 2 + [""], [NOT_STARTED] * 3)):
            box = self.wait_for_box(TITLE, timeout_s=30)
            self.report.equal(f"{label} group {g}: message", box["statics"][-1:], [START_FAILED])
            self.report.equal(f"{label} group {g}: buttons", box["buttons"], ["OK"])
            red, blue = icon_colours(box["rect"], self.work)
            self.report.check(f"{label} group {g}: no icon in the message", red + blue == 0,
                              f"red {red}, blue {blue} pixels")
            self.report.equal(f"{label} group {g}: statuses while the message shows",
                              self.statuses(), expected)
            self.driver.click(box["hwnd"], "OK")
            self.driver.wait_gone(box["hwnd"])
        self.report.equal(f"{label}: the run goes on and ClearEnd still clears the list",
                          wait_until(self.rows, lambda r: r == []), [])
        self.driver.sync(self.main["hwnd"])
        self.report.equal(f"{label}: no closing box", self.boxes(), [])
        with open(os.path.join(self.velkin.folder, "Velkin.lst"), "rb") as f:
            self.report.equal(f"{label}: the list file was still written for the last group",
                              f.read(), list_bytes_ansi([windows_path(p) for p in second]))
        self.velkin.cleanup(remove_folder=False)

    def cleanup(self):
        for process in self.processes:
            process.cleanup(remove_folder=False)
        shutil.rmtree(self.work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--velkin", required=True, help="Velkin.exe to test")
    parser.add_argument("--driver", required=True, help="velkin_driver.exe")
    parser.add_argument("--standin", required=True, help="StandInArchiver.exe")
    parser.add_argument("--artifacts", required=True, help="folder for screenshots")
    parser.add_argument("--build", required=True, help="folder for the xdnd_drop helper")
    parser.add_argument("--verbose", action="store_true", help="print every driver command")
    args = parser.parse_args()
    require_session()
    # Each Velkin gets only the stand-in settings its scenario asks for.
    for name in ("VELKIN_STANDIN_LOG", "VELKIN_STANDIN_DELAY_MS", "VELKIN_STANDIN_EXIT_CODE"):
        os.environ.pop(name, None)
    os.makedirs(args.artifacts, exist_ok=True)
    for name in os.listdir(args.artifacts):
        if name.startswith("run-failed-"):  # from an earlier run; would mislead
            os.remove(os.path.join(args.artifacts, name))

    report = Report()
    test = RunTest(args, report)
    # Each list runs in one Velkin; a scenario builds on what the one before left, so the
    # first failure ends its list.
    plans = [
        ("instance a", [test.three_drops, test.first_run, test.second_run,
                        test.unwritable_list_file, test.merged_group, test.outside_shift_jis]),
        ("exit code 2", [lambda: test.exit_code(2, "失敗 (終了コード 2: 致命的なエラー)")]),
        ("exit code 12", [lambda: test.exit_code(12, "失敗 (終了コード 12)")]),
        ("missing archiver", [test.missing_archiver]),
    ]
    try:
        for plan, scenarios in plans:
            for number, scenario in enumerate(scenarios, start=1):
                try:
                    scenario()
                except (DriverError, xdnd.XdndError, OSError, subprocess.SubprocessError,
                        KeyError, IndexError, ValueError, zipfile.BadZipFile) as error:
                    report.check(f"{plan}, scenario {number} ran to its end", False,
                                 f"{type(error).__name__}: {error}")
                    traceback.print_exc(file=sys.stdout)
                    failed = os.path.join(args.artifacts, f"run-failed-{plan.replace(' ', '-')}"
                                                          f"-{number}.png")
                    try:
                        screenshot(failed)
                        print(f"screen at the failure: {failed}")
                    except (OSError, subprocess.SubprocessError):
                        pass
                    break
            if test.velkin is not None:
                test.velkin.cleanup(remove_folder=False)
    finally:
        test.cleanup()
    return report.summary()


if __name__ == "__main__":
    sys.exit(main())
