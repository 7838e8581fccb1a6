#!/usr/bin/env python3
"""End-to-end test of compression runs: the Start command of the real Velkin.exe with the
stand-in archiver, on files really dropped onto the window (XDND through Wine).

What the archiver was given (command line, list-file bytes, start and end times) comes from the
stand-in's JSON-lines log; what it made is read back with zipfile.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  run_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
              --artifacts DIR --build DIR
"""

import os
import sys
import threading
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import (RUN_LIMIT_S, DriverError, StandinLog, Suite,  # noqa: E402
                        command_as_read, command_expected, icon_colours, list_as_read,
                        list_expected, make_file, named, run_suite, screenshot, wait_until,
                        windows_path)

PROFILES = {
    1: "-EP1 -S -M5 -MD4096",
    2: "-EP1 -S -M3 -afzip",
    3: "-EP1 -M0 -x*.bak",
}
# Long enough for several looks at the window while each group runs; nothing is timed.
DELAY_MS = 2500


class RunTest(Suite):
    def __init__(self, session):
        super().__init__(session)
        self.program_folder = None  # as Velkin sees it, Z:\...
        self.archiver = None
        self.log = None
        self.groups = []

    def plans(self):
        # Each plan runs in one Velkin; a scenario builds on what the one before left.
        return [
            ("instance a", [self.three_drops, self.first_run, self.second_run,
                            self.unwritable_list_file, self.merged_group,
                            self.outside_shift_jis, self.blank_at_the_end]),
            ("exit code 2", [named("exit_code_2", self.exit_code, 2)]),
            ("exit code 12", [named("exit_code_12", self.exit_code, 12)]),
            ("missing archiver", [self.missing_archiver]),
            ("power off at the end", [self.power_off_at_the_end,
                                      self.power_off_after_a_quoted_folder]),
            ("one destination, two profiles", [self.one_destination_two_profiles]),
            ("edited drop numbers", [self.edited_drop_numbers]),
            ("7-Zip family", [self.seven_zip_names, self.seven_zip_types]),
            ("7-Zip family: failures", [self.seven_zip_failures]),
            ("each item", [self.each_item]),
        ]

    def launch(self, name, archiver_present=True, env=None, settings=None):
        """A fresh program folder holding Velkin and a copy of the stand-in, Velkin.ini naming
        that copy (or, with archiver_present False, a file that does not exist)."""
        folder = os.path.join(self.work, name)
        if archiver_present:
            standin = self.s.standin_copy(folder)
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
        velkin = self.s.start(folder=folder, settings=values, env=environment)
        self.program_folder = windows_path(folder)
        self.report.check(f"{name}: Velkin starts without asking for WinRAR (WinRARPath set)",
                          not velkin.prompt_seen)

    def launch_seven_zip(self, name, settings=None):
        """A program folder whose archiver is the stand-in copied as 7z.exe, which then follows
        the 7-Zip family's rules, and a settings file naming it that holds no profile unless
        told otherwise."""
        folder = os.path.join(self.work, name)
        self.archiver = windows_path(self.s.standin_copy(os.path.join(folder, "7-Zip"), "7z.exe"))
        self.log = StandinLog(os.path.join(self.work, name + "-standin.jsonl"))
        values = {"MainX": 0, "MainY": 0, "MainW": 1270, "MainH": 560, "Column3": 300,
                  "Column4": 260, "Column5": 420, "WinRARPath": self.archiver,
                  "RAROptionSelect": 3}
        values.update(settings or {})
        velkin = self.s.start(folder=folder, settings=values,
                              env={"VELKIN_STANDIN_LOG": windows_path(self.log.path)})
        self.program_folder = windows_path(folder)
        self.report.check(f"{name}: Velkin starts without asking for the archiver",
                          not velkin.prompt_seen)

    def no_list_file(self):
        return not os.path.exists(self.s.velkin.list_file())

    def check_runs_sequential(self, label, runs):
        for before, after in zip(runs, runs[1:]):
            self.report.check(f"{label}: run of {after['archivePath']} starts after the run of "
                              f"{before['archivePath']} ended",
                              before["end"] <= after["start"] and before["pid"] != after["pid"],
                              f"{before['start']}..{before['end']} then "
                              f"{after['start']}..{after['end']}")

    def check_run(self, label, run, switches, archive, paths, encoding="ansi"):
        self.report.equal(f"{label}: the command line as the stand-in read it",
                          command_as_read(run),
                          command_expected(self.archiver, switches, archive, self.program_folder))
        self.report.equal(f"{label}: the list file as the stand-in read it ({encoding})",
                          list_as_read(run), list_expected(paths, encoding))

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
            self.s.choose_profile(profile)
            count += len(paths)
            rows = self.s.drop(paths, rows=count)
            self.report.equal(f"drop {number} arrives as rows numbered {number}",
                              [r[T.NUMBER] for r in rows[count - len(paths):]],
                              [str(number)] * len(paths))
        self.report.equal("destinations as Velkin named them",
                          [r[T.DESTINATION] for r in self.s.rows()],
                          [windows_path(a) for _, p, a in self.groups for _ in p])
        self.report.equal("statuses empty before any run", self.s.statuses(), [""] * count)
        self.answer_no()

    def empty_start(self):
        self.s.invoke(T.OPTION_MENU, T.START)
        # A box would stay open: once a command posted after Start has had its effect, Start
        # has had its own.
        self.s.after_posted_commands()
        boxes = self.s.boxes()
        self.report.equal("Start with an empty list shows no box",
                          [(b["caption"], b["hwnd"]) for b in boxes], [])
        self.report.check("Start with an empty list starts nothing and writes no list file",
                          not self.log.runs() and self.no_list_file())

    def answer_no(self):
        before = self.s.rows()
        self.s.invoke(T.OPTION_MENU, T.START)
        box = self.s.box(T.CONFIRM)
        self.report.equal("confirmation text", box["statics"][-1:], [T.START_QUESTION])
        self.s.answer(box, T.NO)
        self.report.equal("No: no further box", self.s.boxes(), [])
        self.report.equal("No: rows unchanged", self.s.rows(), before)
        self.report.check("No: nothing started, no list file written",
                          not self.log.runs() and self.no_list_file())

    def watch_run(self, label, groups, shot_while_running=None):
        """Looks at the window again and again until the run's closing box shows; returns
        [(main enabled, statuses, synced)] and the box. Every look asks Velkin's own thread
        (the list view answers its messages), so looks during a group show that Velkin keeps
        answering while the archiver runs."""
        looks = []
        deadline = time.monotonic() + RUN_LIMIT_S
        synced_groups = set()
        while time.monotonic() < deadline:
            shown = self.driver.windows(pid=self.s.main["pid"])
            boxes = [w for w in shown if w["class"] == T.DIALOG_CLASS]
            if boxes:
                return looks, boxes[0]
            enabled = [w["enabled"] for w in shown if w["class"] == T.MAIN_CLASS]
            statuses = self.s.statuses()
            running = self.running_group(statuses, groups)
            synced = False
            if running is not None and running not in synced_groups:
                # Sent to the main window itself; then it must still be the same group.
                self.driver.sync(self.s.main["hwnd"])
                synced = self.running_group(self.s.statuses(), groups) == running
                if synced:
                    synced_groups.add(running)
            looks.append((enabled[0] if enabled else None, statuses, synced))
            if running == 1 and shot_while_running and not os.path.exists(shot_while_running):
                screenshot(shot_while_running)
            time.sleep(0.1)
        raise DriverError(f"{label}: no box after {RUN_LIMIT_S} s; last statuses "
                          f"{looks[-1][1] if looks else None}")

    @staticmethod
    def running_group(statuses, groups):
        """The group g whose rows read 圧縮中 while those before read OK and those after are
        still as before the run (given per row by groups' second element), or None."""
        at = 0
        for g, (rows, before_status) in enumerate(groups):
            mine = statuses[at:at + rows]
            if mine == [T.RUNNING] * rows:
                earlier = statuses[:at]
                later = statuses[at + rows:]
                if earlier == [T.DONE] * len(earlier) and \
                        later == [s for r, s in groups[g + 1:] for _ in range(r)]:
                    return g
                return None
            at += rows
        return None

    def first_run(self):
        label = "run 1"
        sizes = [len(paths) for _, paths, _ in self.groups]
        self.s.start_confirmed(label)
        running_shot = self.s.artifact("run-in-progress.png")
        if os.path.exists(running_shot):
            os.remove(running_shot)
        looks, box = self.watch_run(label, [(n, "") for n in sizes], running_shot)
        for g in range(len(self.groups)):
            seen = [look for look in looks
                    if self.running_group(look[1], [(n, "") for n in sizes]) == g]
            self.report.check(f"{label}: group {g} seen alone as {T.RUNNING} (earlier OK, later "
                              "empty)", bool(seen), f"looks: {[look[1] for look in looks]}")
            self.report.check(f"{label}: main window disabled while group {g} runs",
                              bool(seen) and any(look[0] is False for look in seen),
                              f"enabled flags while running: {[look[0] for look in seen]}")
            self.report.check(f"{label}: main window answered a sync while group {g} ran",
                              any(look[2] for look in seen))
        self.report.check("screenshot while group 1 runs: " + running_shot,
                          os.path.exists(running_shot))
        self.report.equal(f"{label}: closing box caption", box["caption"],
                          T.CLEAR_BY_HAND_CAPTION)
        info = self.s.box(T.CLEAR_BY_HAND_CAPTION)
        self.report.equal(f"{label}: closing box text", info["statics"][-1:], [T.CLEAR_BY_HAND])
        self.report.equal(f"{label}: closing box buttons", info["buttons"], [T.OK])
        red, blue = icon_colours(info["rect"], self.work)
        self.report.check(f"{label}: closing box shows the (blue) information icon",
                          blue > 50 and red < 10, f"red {red}, blue {blue} pixels")
        self.report.equal(f"{label}: statuses all OK while the box shows", self.s.statuses(),
                          [T.DONE] * sum(sizes))
        self.s.answer(info, T.OK)
        self.report.check(f"{label}: main window enabled after the run", self.s.enabled())
        self.report.equal(f"{label}: rows stay with OK", self.s.statuses(), [T.DONE] * sum(sizes))
        shot = self.s.artifact("run-statuses.png")
        self.report.check("screenshot of the statuses: " + shot, screenshot(shot))

        runs = self.log.runs()
        self.report.equal(f"{label}: one archiver run per group", len(runs), len(self.groups))
        for g, (run, (profile, paths, archive)) in enumerate(zip(runs, self.groups)):
            self.check_run(f"{label} group {g}", run, PROFILES[profile], windows_path(archive),
                           paths)
            self.report.equal(f"{label} group {g}: stand-in exit code", run["exitCode"], 0)
            self.s.check_archive(f"{label} group {g}", archive, paths)
        self.check_runs_sequential(label, runs)
        with open(self.s.velkin.list_file(), "rb") as f:
            self.report.equal(f"{label}: Velkin.lst left with the last group's list", f.read(),
                              (windows_path(self.groups[-1][1][0]) + "\r\n").encode("ascii"))

    def second_run(self):
        label = "run 2 (list not cleared)"
        sizes = [len(paths) for _, paths, _ in self.groups]
        first = self.log.runs()
        self.s.start_confirmed(label)
        looks, box = self.watch_run(label, [(n, T.DONE) for n in sizes])
        self.report.equal(f"{label}: closing box caption", box["caption"],
                          T.CLEAR_BY_HAND_CAPTION)
        self.report.check(f"{label}: groups seen running one by one",
                          {self.running_group(look[1], [(n, T.DONE) for n in sizes])
                           for look in looks} >= {0, 1, 2},
                          f"looks: {[look[1] for look in looks]}")
        self.s.answer(box, T.OK)
        runs = self.log.runs()[len(first):]
        self.report.equal(f"{label}: every group runs again, same command lines, same order",
                          [r["commandLine"] for r in runs], [r["commandLine"] for r in first])
        self.report.equal(f"{label}: same list files",
                          [r["listFileBase64"] for r in runs], [r["listFileBase64"] for r in first])
        self.check_runs_sequential(label, runs)
        self.report.equal(f"{label}: statuses OK again", self.s.statuses(), [T.DONE] * sum(sizes))

    def unwritable_list_file(self):
        label = "Velkin.lst is a folder"
        list_file = self.s.velkin.list_file()
        os.remove(list_file)
        os.mkdir(list_file)
        before_rows = self.s.rows()
        before_runs = len(self.log.runs())
        try:
            self.s.start_confirmed(label)
            box = self.s.box(T.TITLE)
            self.report.equal(f"{label}: error text", box["statics"][-1:],
                              [T.list_file_error(self.program_folder)])
            self.report.equal(f"{label}: error box buttons", box["buttons"], [T.OK])
            red, blue = icon_colours(box["rect"], self.work)
            self.report.check(f"{label}: error box shows the (red) error icon",
                              red > 50 and blue < 10, f"red {red}, blue {blue} pixels")
            self.report.equal(f"{label}: statuses unchanged", self.s.rows(), before_rows)
            self.s.answer(box, T.OK)
            self.report.equal(f"{label}: the run ends there (no further box)", self.s.boxes(), [])
            self.report.equal(f"{label}: nothing started", len(self.log.runs()), before_runs)
            self.report.equal(f"{label}: rows unchanged afterwards", self.s.rows(), before_rows)
            self.report.check(f"{label}: main window enabled", self.s.enabled())
        finally:
            os.rmdir(list_file)

    def merged_group(self):
        label = "merged group"
        self.s.clear_list("clear list")
        self.s.set_option(T.CLEAR_END, True)

        a = os.path.join(self.work, "data", "grpA")
        b = os.path.join(self.work, "data", "grpB")
        x_txt = make_file(os.path.join(a, "x.txt"), "x text\n")
        x_dat = make_file(os.path.join(a, "x.dat"), b"\x00\x01x data")
        w_txt = make_file(os.path.join(a, "w.txt"), "w text\n")
        y_txt = make_file(os.path.join(b, "y.txt"), "y text\n")
        self.s.choose_profile(1)
        self.s.drop([x_txt], rows=1)
        self.s.choose_profile(3)
        self.s.drop([y_txt], rows=2)
        self.s.choose_profile(1)
        rows = self.s.drop([x_dat, w_txt], rows=4)
        archive = os.path.join(a, "x.rar")
        self.report.equal(f"{label}: numbers, profiles and destinations before the deletion",
                          [(r[0], r[1], r[4]) for r in rows],
                          [("0", "1", windows_path(archive)),
                           ("1", "3", windows_path(b) + "\\y.rar"),
                           ("2", "1", windows_path(archive)), ("2", "1", windows_path(archive))])
        # Row 1 (group 1) selected with the keyboard, then Delete; each key waited for.
        self.report.equal(f"{label}: no row selected after the drops", self.s.selected(), -1)
        self.driver.keys("down", hwnd=self.s.main["hwnd"])
        self.report.equal(f"{label}: Down selects the first row",
                          wait_until(self.s.selected, lambda row: row == 0), 0)
        self.driver.keys("down", hwnd=self.s.main["hwnd"])
        selected = wait_until(self.s.selected, lambda row: row == 1)
        self.report.equal(f"{label}: row of group 1 selected", selected, 1)
        self.driver.keys("delete", hwnd=self.s.main["hwnd"])
        box = self.s.box(T.CONFIRM)
        self.report.equal(f"{label}: delete question", box["statics"][-1:],
                          [T.delete_question(1)])
        self.s.answer(box, T.YES)
        rows = wait_until(self.s.rows, lambda r: len(r) == 3)
        self.report.equal(f"{label}: after deleting group 1 the neighbours of one destination "
                          "and one profile are one group 0", [r[0] for r in rows], ["0", "0", "0"])

        before = len(self.log.runs())
        self.s.start_confirmed(label)
        rows = wait_until(self.s.rows, lambda r: r == [], timeout_s=RUN_LIMIT_S)
        self.report.equal(f"{label}: ClearEnd checked: list empty after the run", rows, [])
        self.driver.sync(self.s.main["hwnd"])
        self.report.equal(f"{label}: ClearEnd checked: no closing box", self.s.boxes(), [])
        runs = self.log.runs()[before:]
        self.report.equal(f"{label}: one archiver run for the merged group", len(runs), 1)
        if runs:
            self.check_run(label, runs[0], PROFILES[1], windows_path(archive),
                           [x_txt, x_dat, w_txt])
        self.s.check_archive(label, archive, [x_txt, x_dat, w_txt])

    def outside_shift_jis(self):
        label = "names outside Shift-JIS"
        folder = os.path.join(self.work, "data", "intl")
        korean = make_file(os.path.join(folder, "한국어 메모.txt"), "annyeong\n")
        emoji = make_file(os.path.join(folder, "😀.txt"), "smile\n")
        japanese = make_file(os.path.join(folder, "日本語.txt"), "nihongo\n")
        rows = self.s.drop([korean, emoji, japanese], rows=3)
        self.report.equal(f"{label}: first drop after the cleared run is number 0",
                          [r[0] for r in rows], ["0", "0", "0"])
        self.report.equal(f"{label}: file names shown exactly", [r[2] for r in rows],
                          ["한국어 메모.txt", "😀.txt", "日本語.txt"])
        before = len(self.log.runs())
        self.s.start_confirmed(label)
        self.report.equal(f"{label}: list cleared after the run",
                          wait_until(self.s.rows, lambda r: r == [], timeout_s=RUN_LIMIT_S), [])
        runs = self.log.runs()[before:]
        self.report.equal(f"{label}: one archiver run", len(runs), 1)
        archive = os.path.join(folder, "한국어 메모.rar")
        if runs:
            self.check_run(label, runs[0], PROFILES[1], windows_path(archive),
                           [korean, emoji, japanese], "utf16le")
            self.report.equal(f"{label}: stand-in exit code", runs[0]["exitCode"], 0)
        self.s.check_archive(label, archive, [korean, emoji, japanese])

    def blank_at_the_end(self):
        """WinRAR trims blanks at the end of a list file's line: a name that ends in one would
        name another file, unless its line is quoted."""
        label = "a name that ends in a blank"
        folder = os.path.join(self.work, "data", "blank end")
        blank = make_file(os.path.join(folder, "report "), "meant\n")
        make_file(os.path.join(folder, "report"), "not meant\n")
        # Pasted: Wine's drops take the blank off a name's end, Explorer's copy keeps it.
        self.driver.one("clipboard", windows_path(blank))
        self.driver.keys("ctrl+v", hwnd=self.s.main["hwnd"])
        wait_until(self.s.row_count, lambda count: count == 1)
        before = len(self.log.runs())
        self.s.start_confirmed(label)
        wait_until(self.s.rows, lambda r: r == [], timeout_s=RUN_LIMIT_S)
        runs = self.log.runs()[before:]
        self.report.equal(f"{label}: the list file as the stand-in read it, the blank kept",
                          [list_as_read(r) for r in runs], [list_expected([blank])])

    # Other instances: exit codes and a missing archiver.

    def close_and_read_keys(self, label):
        """Closes Velkin as a user does and returns section Main of its settings file as
        [(key, value)] in file order."""
        self.driver.close(self.s.main["hwnd"])
        self.s.expect_exit(label)
        return [(key, value) for section, key, value in self.s.velkin.read_settings()
                if section == "Main"]

    def drop_to_folder_picker(self, label, paths):
        """Drops the paths from a thread of their own (the drop lasts until the picker is
        answered) and returns the folder picker it opens, the main window disabled beneath."""
        self.dropper = threading.Thread(target=self.s.drop, args=(paths,), daemon=True)
        self.dropper.start()
        picker = self.s.box(T.FOLDER_CAPTION)
        self.report.check(f"{label}: the folder picker opens over the disabled main window",
                          not self.s.enabled())
        return picker

    def finish_folder_picker(self, picker):
        self.driver.wait_gone(picker["hwnd"])
        self.dropper.join(timeout=RUN_LIMIT_S)
        if self.dropper.is_alive():
            raise DriverError("the drag source did not finish after the folder picker closed")
        self.driver.sync(self.s.main["hwnd"])

    def each_item(self):
        """The option of an archive for every item: unchecked at first, kept in the settings
        file only while it is on, and while on, every item of a drop a group of its own, named
        after it; a name two items would share gets a number. Off again, a drop is one group."""
        label = "each item"
        self.launch("each")
        folder = self.s.velkin.folder
        self.report.equal(f"{label}: unchecked on a fresh start", self.s.checked(T.EACH_ITEM),
                          False)
        self.s.set_option(T.EACH_ITEM, True)
        keys = self.close_and_read_keys(f"{label}, closed with the option on")
        self.report.equal(f"{label}: the settings file holds {T.EACH_ITEM_KEY}=1 after the 19 "
                          "keys", (sorted(key for key, _ in keys[:-1]), keys[-1:]),
                          (sorted(T.SETTINGS_KEYS), [(T.EACH_ITEM_KEY, "1")]))

        self.s.start(folder=folder, env={"VELKIN_STANDIN_LOG": windows_path(self.log.path)})
        self.report.equal(f"{label}: checked after a restart", self.s.checked(T.EACH_ITEM), True)
        data = os.path.join(self.work, "data", "each")
        # A file and a folder of one name: their archives would be one.
        paths = [make_file(os.path.join(data, "report.txt"), "report\n"),
                 os.path.join(data, "report"),
                 make_file(os.path.join(data, "notes.md"), "# notes\n")]
        make_file(os.path.join(data, "report", "inner.txt"), "inner\n")
        archives = [os.path.join(data, name) for name in ("report.rar", "report (2).rar",
                                                           "notes.rar")]
        rows = self.s.drop(paths, rows=3)
        self.report.equal(f"{label}: one drop of three items is three groups, in its order",
                          [(r[T.NUMBER], r[T.PATH]) for r in rows],
                          [(str(n), windows_path(p)) for n, p in enumerate(paths)])
        self.report.equal(f"{label}: each named after its item; the folder named as the file "
                          "before it gets (2)", [r[T.DESTINATION] for r in rows],
                          [windows_path(a) for a in archives])
        shot = self.s.artifact("run-each-item.png")
        self.report.check("screenshot of the three groups: " + shot, screenshot(shot))

        self.s.start_confirmed(label)
        self.s.answer(self.s.run_end_box(label), T.OK)
        self.report.equal(f"{label}: statuses OK", self.s.statuses(), [T.DONE] * 3)
        runs = self.log.runs()
        self.report.equal(f"{label}: the archiver ran three times", len(runs), 3)
        for g, (run, path, archive) in enumerate(zip(runs, paths, archives)):
            self.check_run(f"{label} group {g}", run, PROFILES[1], windows_path(archive), [path])
            self.s.check_archive(f"{label} group {g}", archive, [path])

        # With the save option: one folder picker for the drop, every archive in the folder
        # chosen; one name from two folders is a clash there.
        self.s.set_option(T.SAVE_PATH, True)
        two = [make_file(os.path.join(data, folder, "a.txt"), folder) for folder in ("x", "y")]
        out = os.path.join(data, "out")
        os.makedirs(out)
        picker = self.drop_to_folder_picker(label, two)
        self.driver.set_edit(picker["hwnd"], windows_path(out))
        self.driver.click(picker["hwnd"], T.FOLDER_BUTTON)
        self.finish_folder_picker(picker)
        rows = wait_until(self.s.rows, lambda shown: len(shown) == 5)[3:]
        self.report.equal(f"{label}: the save option: every archive in the folder chosen",
                          [(r[T.NUMBER], r[T.DESTINATION]) for r in rows],
                          [("3", windows_path(os.path.join(out, "a.rar"))),
                           ("4", windows_path(os.path.join(out, "a (2).rar")))])
        picker = self.drop_to_folder_picker(label, two)
        self.driver.click(picker["hwnd"], T.CANCEL)
        self.finish_folder_picker(picker)
        rows = wait_until(self.s.rows, lambda shown: len(shown) == 7)[5:]
        self.report.equal(f"{label}: the folder picker cancelled, each archive in its item's "
                          "folder", [(r[T.NUMBER], r[T.DESTINATION]) for r in rows],
                          [(str(n), windows_path(os.path.join(data, folder, "a.rar")))
                           for n, folder in ((5, "x"), (6, "y"))])
        self.s.set_option(T.SAVE_PATH, False)

        self.s.set_option(T.EACH_ITEM, False)
        two = [make_file(os.path.join(data, "off", name), name) for name in ("a.txt", "b.txt")]
        rows = self.s.drop(two, rows=9)[7:]
        self.report.equal(f"{label}: turned off, a drop of two items is one group again",
                          [(r[T.NUMBER], r[T.DESTINATION]) for r in rows],
                          [("7", windows_path(os.path.join(data, "off", "a.rar")))] * 2)
        keys = self.close_and_read_keys(f"{label}, closed with the option off")
        self.report.equal(f"{label}: the settings file holds the 19 keys alone again",
                          sorted(key for key, _ in keys), sorted(T.SETTINGS_KEYS))

    def exit_code(self, code):
        label = f"exit code {code}"
        expected_status = T.STATUS_AFTER_EXIT[code]
        self.launch(f"exit{code}", env={"VELKIN_STANDIN_EXIT_CODE": str(code)})
        folder = os.path.join(self.work, "data", f"exit{code}")
        paths = [make_file(os.path.join(folder, "one.txt"), "1\n"),
                 make_file(os.path.join(folder, "two.txt"), "2\n")]
        self.s.drop(paths, rows=2)
        self.s.start_confirmed(label)
        box = self.s.box(T.CLEAR_BY_HAND_CAPTION, timeout_ms=RUN_LIMIT_S * 1000)
        self.report.equal(f"{label}: statuses", self.s.statuses(), [expected_status] * 2)
        if code == 2:
            shot = self.s.artifact("run-failure-status.png")
            self.report.check("screenshot of a failure status: " + shot, screenshot(shot))
        self.s.answer(box, T.OK)
        runs = self.log.runs()
        self.report.equal(f"{label}: the stand-in ended with {code}",
                          [r["exitCode"] for r in runs], [code])

    def missing_archiver(self):
        label = "missing archiver"
        self.launch("missing", archiver_present=False, settings={"ClearEnd": 1})
        folder = os.path.join(self.work, "data", "missing")
        first = [make_file(os.path.join(folder, "m1.txt"), "1\n"),
                 make_file(os.path.join(folder, "m2.txt"), "2\n")]
        second = [make_file(os.path.join(folder, "n1.txt"), "3\n")]
        self.s.drop(first, rows=2)
        self.s.drop(second, rows=3)
        self.s.start_confirmed(label)
        for g, expected in enumerate(([T.NOT_STARTED] * 2 + [""], [T.NOT_STARTED] * 3)):
            box = self.s.box(T.TITLE)
            self.report.equal(f"{label} group {g}: message", box["statics"][-1:],
                              [T.START_FAILED])
            self.report.equal(f"{label} group {g}: buttons", box["buttons"], [T.OK])
            red, blue = icon_colours(box["rect"], self.work)
            self.report.check(f"{label} group {g}: no icon in the message", red + blue == 0,
                              f"red {red}, blue {blue} pixels")
            self.report.equal(f"{label} group {g}: statuses while the message shows",
                              self.s.statuses(), expected)
            self.driver.click(box["hwnd"], T.OK)
            self.driver.wait_gone(box["hwnd"])
        self.report.equal(f"{label}: the run goes on and ClearEnd still clears the list",
                          wait_until(self.s.rows, lambda r: r == []), [])
        self.driver.sync(self.s.main["hwnd"])
        self.report.equal(f"{label}: no closing box", self.s.boxes(), [])
        with open(self.s.velkin.list_file(), "rb") as f:
            self.report.equal(f"{label}: the list file was still written for the last group",
                              f.read(), (windows_path(second[0]) + "\r\n").encode("ascii"))

    def power_off_at_the_end(self):
        """The default profile 5 powers the PC off (-ioff): only the run's last group may carry
        it, or the groups after the first would never be compressed."""
        label = "-ioff in the first of three groups"
        folder = os.path.join(self.work, "data", "poweroff")
        self.launch("poweroff", settings={"RAROption4": self.quoted_folder_profile(folder)})
        groups = [(5, [make_file(os.path.join(folder, "first.txt"), "1\n")]),
                  (1, [make_file(os.path.join(folder, "second.txt"), "2\n")]),
                  (1, [make_file(os.path.join(folder, "third.txt"), "3\n")])]
        for number, (profile, paths) in enumerate(groups):
            self.s.choose_profile(profile)
            self.s.drop(paths, rows=number + 1)
        self.s.start_confirmed(label)
        self.s.answer(self.s.run_end_box(label), T.OK)
        self.report.equal(f"{label}: the switch leaves the first group and goes to the last, "
                          "the rest as they were", [command_as_read(r) for r in self.log.runs()],
                          [command_expected(self.archiver, switches,
                                            windows_path(os.path.join(folder, name)),
                                            self.program_folder)
                           for switches, name in (("-EP1 -S -M5 -MD4096 -df", "first.rar"),
                                                  (PROFILES[1], "second.rar"),
                                                  (PROFILES[1] + " -ioff", "third.rar"))])

    @staticmethod
    def quoted_folder_profile(folder):
        return f'-EP1 -w"{windows_path(folder)}\\" -ioff'

    def power_off_after_a_quoted_folder(self):
        """WinRAR reads \\" as a backslash and a closing quote: the -ioff after -w"<folder>\\"
        is a switch of its own, which only the last group may carry."""
        label = "-ioff after -w\"<folder>\\\""
        self.s.clear_list(label)
        folder = os.path.join(self.work, "data", "poweroff")
        profile = self.quoted_folder_profile(folder)
        self.s.choose_profile(4)
        names = ("fourth", "fifth", "sixth")
        for number, name in enumerate(names):
            self.s.drop([make_file(os.path.join(folder, name + ".txt"), name)], rows=number + 1)
        before = len(self.log.runs())
        self.s.start_confirmed(label)
        self.s.answer(self.s.run_end_box(label), T.OK)
        runs = self.log.runs()[before:]
        self.report.equal(f"{label}: every group keeps -w\"<folder>\\\" as written, the last "
                          "alone keeps -ioff", [command_as_read(r) for r in runs],
                          [command_expected(self.archiver, switches,
                                            windows_path(os.path.join(folder, name + ".rar")),
                                            self.program_folder)
                           for switches, name in zip((profile[:-len(" -ioff")],) * 2 + (profile,),
                                                     names)])
        self.report.equal(f"{label}: read as WinRAR reads it, only the last group powers off",
                          [[e["switch"] for e in r["switchEffects"]
                            if e["detail"] == "computer not turned off"] for r in runs],
                          [[], [], ["-ioff"]])

    def one_destination_two_profiles(self):
        """Two drops into one archive with other profiles stay two groups when a deletion makes
        them neighbours: report.doc, dropped with a profile that keeps its files, is never
        archived with the other profile's -df."""
        label = "one destination, two profiles"
        self.launch("two-profiles", settings={"RAROption1": "-EP1", "RAROption2": "-EP1 -df"})
        folder = os.path.join(self.work, "data", "two profiles")
        doc = make_file(os.path.join(folder, "report.doc"), "doc\n")
        xls = make_file(os.path.join(folder, "report.xls"), "xls\n")
        other = make_file(os.path.join(self.work, "data", "other", "other.txt"), "other\n")
        self.s.choose_profile(1)
        self.s.drop([doc], rows=1)
        self.s.choose_profile(2)
        self.s.drop([xls], rows=2)
        self.s.drop([other], rows=3)
        self.answer_delete(2, "2")
        rows = wait_until(self.s.rows, lambda r: len(r) == 2)
        self.report.equal(f"{label}: numbers and profiles after the deletion",
                          [(r[T.NUMBER], r[T.PROFILE]) for r in rows], [("0", "1"), ("1", "2")])
        self.s.start_confirmed(label)
        self.s.answer(self.s.run_end_box(label), T.OK)
        runs = self.log.runs()
        self.report.check(f"{label}: no archiver call that holds report.doc carries -df",
                          bool(runs) and not any(windows_path(doc) in run["listEntries"] and
                                           "-df" in run["switches"].split() for run in runs),
                          [(run["switches"], run["listEntries"]) for run in runs])
        archive = windows_path(os.path.join(folder, "report.rar"))
        for run, switches, paths in zip(runs, ("-EP1", "-EP1 -df"), ([doc], [xls])):
            self.check_run(f"{label}, {switches}", run, switches, archive, paths)
        self.report.equal(f"{label}: one archiver call for each profile", len(runs), 2)

    # The 7-Zip family as the archiver (the stand-in named 7z.exe).

    def seven_zip_run(self, label, count):
        """Start, the closing box awaited and dismissed; the stand-in's runs of this start."""
        before = len(self.log.runs())
        self.s.start_confirmed(label)
        box = self.s.run_end_box(label)
        statuses = self.s.statuses()
        self.s.answer(box, T.OK)
        runs = self.log.runs()[before:]
        self.report.equal(f"{label}: one archiver run per group", len(runs), count)
        return statuses, runs

    def seven_zip_names(self):
        label = "7-Zip, ZIP with UTF-8 names"
        self.launch_seven_zip("sevenzip")
        self.report.equal(f"{label}: a settings file without profiles gives the family's "
                          "defaults", self.s.menu_state(),
                          self.s.expected_menu(T.SEVEN_ZIP_PROFILES, selected=3))
        folder = os.path.join(self.work, "data", "7z names")
        paths = [make_file(os.path.join(folder, name), name)
                 for name in ("日本語.txt", "한국어 메모.txt", "😀 smile.txt", "blank name.txt")]
        archive = os.path.join(folder, "日本語.zip")
        rows = self.s.drop(paths, rows=4)
        self.report.equal(f"{label}: -tzip names a .zip archive", [r[T.DESTINATION] for r in rows],
                          [windows_path(archive)] * 4)
        statuses, runs = self.seven_zip_run(label, 1)
        self.report.equal(f"{label}: statuses", statuses, [T.DONE] * 4)
        if runs:
            run = runs[0]
            self.report.equal(f"{label}: the command line as the stand-in read it",
                              command_as_read(run),
                              command_expected(self.archiver, T.SEVEN_ZIP_PROFILES[2],
                                               windows_path(archive), self.program_folder))
            self.report.equal(f"{label}: the list file in UTF-8, one path a line",
                              list_as_read(run), list_expected(paths, "utf8"))
            self.report.equal(f"{label}: read as the family reads it, a ZIP archive asked for",
                              (run["listEncoding"], run["listProblems"], run["archiveType"],
                               run["exitCode"]), ("utf8", [], "zip", 0))
        self.s.check_archive(label, archive, paths)

    def seven_zip_types(self):
        label = "7-Zip, 7z and -sdel"
        self.s.clear_list(label)
        folder = os.path.join(self.work, "data", "7z types")
        memo = make_file(os.path.join(folder, "memo.txt"), "memo\n")
        keep = make_file(os.path.join(folder, "keep.txt"), "keep\n")
        self.s.choose_profile(1)
        self.s.drop([memo], rows=1)
        self.s.choose_profile(2)
        rows = self.s.drop([keep], rows=2)
        archives = [os.path.join(folder, "memo.7z"), os.path.join(folder, "keep.7z")]
        self.report.equal(f"{label}: -t7z names .7z archives", [r[T.DESTINATION] for r in rows],
                          [windows_path(a) for a in archives])
        statuses, runs = self.seven_zip_run(label, 2)
        self.report.equal(f"{label}: statuses", statuses, [T.DONE] * 2)
        self.report.equal(f"{label}: each profile's switches as written, 7z asked for",
                          [(command_as_read(r), r["archiveType"]) for r in runs],
                          [(command_expected(self.archiver, T.SEVEN_ZIP_PROFILES[n],
                                             windows_path(a), self.program_folder), "7z")
                           for n, a in ((0, archives[0]), (1, archives[1]))])
        self.report.check(f"{label}: the stand-in takes -sdel without acting on it",
                          len(runs) == 2 and any(e["switch"] == "-sdel" and
                                                 e["action"] == "not acted on"
                                                 for e in runs[1]["switchEffects"])
                          and os.path.exists(keep))
        for archive in archives:
            self.report.check(f"{label}: {os.path.basename(archive)} made",
                              os.path.isfile(archive))

    def seven_zip_failures(self):
        label = "7-Zip, -afzip and a file gone"
        self.launch_seven_zip("sevenzip-failures",
                              settings={"RAROption1": "-afzip", "RAROption2": "-tzip -mcu=on",
                                        "RAROptionSelect": 1, "ClearEnd": 0})
        self.report.equal(f"{label}: stored profiles stay, the missing ones are the family's",
                          self.s.menu_state()[0],
                          self.s.expected_menu(["-afzip", "-tzip -mcu=on",
                                                *T.SEVEN_ZIP_PROFILES[2:]])[0])
        folder = os.path.join(self.work, "data", "7z failures")
        alone = make_file(os.path.join(folder, "alone.txt"), "alone\n")
        kept = make_file(os.path.join(folder, "kept.txt"), "kept\n")
        gone = make_file(os.path.join(folder, "gone.txt"), "gone\n")
        self.s.drop([alone], rows=1)
        self.s.choose_profile(2)
        rows = self.s.drop([kept, gone], rows=3)
        self.report.equal(f"{label}: -afzip names nothing for the family: .7z",
                          rows[0][T.DESTINATION], windows_path(os.path.join(folder, "alone.7z")))
        os.remove(gone)
        statuses, runs = self.seven_zip_run(label, 2)
        self.report.equal(f"{label}: a command-line error, then a warning for the file gone",
                          statuses, [T.SEVEN_ZIP_STATUS_AFTER_EXIT[7]]
                          + [T.SEVEN_ZIP_STATUS_AFTER_EXIT[1]] * 2)
        shot = self.s.artifact("run-seven-zip-statuses.png")
        self.report.check("screenshot of the 7-Zip statuses: " + shot, screenshot(shot))
        self.report.equal(f"{label}: the stand-in's exit codes", [r["exitCode"] for r in runs],
                          [7, 1])
        self.s.check_archive(label, os.path.join(folder, "kept.zip"), [kept])

    def edit_number(self, row, text):
        """Edits a row's drop number in place as a user does: a click on the selected row's
        number begins the edit, the text is typed over the selected old one, Enter ends it;
        each step waited for."""
        main = self.s.main["hwnd"]
        left, top, right, bottom = self.driver.one("select-row", "--hwnd", main, "--row",
                                                   row)["label_rect"]
        self.driver.one("click-at", "--at", f"{(left + right) // 2},{(top + bottom) // 2}")
        editing = wait_until(lambda: self.driver.focus(main),
                             lambda f: f["focus_class"] == "Edit" and f["selection"] == [0, 1])
        if editing["focus_class"] != "Edit":
            raise DriverError(f"a click on row {row}'s number began no edit: {editing}")
        self.driver.type_text(text)
        typed = wait_until(lambda: self.driver.focus(main),
                           lambda f: f["selection"] == [len(text), len(text)])
        if typed["selection"] != [len(text), len(text)]:
            raise DriverError(f"typing {text!r} left the edit at {typed}")
        self.driver.keys("enter")
        numbers = wait_until(lambda: [r[T.NUMBER] for r in self.s.rows()],
                             lambda shown: shown[row] == text)
        self.report.equal(f"row {row} edited in place to {text!r}", numbers[row], text)

    def answer_delete(self, row, number_text):
        """Delete on the row, the question about its number text answered Yes."""
        self.driver.one("select-row", "--hwnd", self.s.main["hwnd"], "--row", row)
        self.driver.keys("delete", hwnd=self.s.main["hwnd"])
        box = self.s.box(T.CONFIRM)
        self.report.equal(f"Delete on {number_text!r} asks about {number_text!r}",
                          box["texts"], [T.delete_question(number_text)])
        self.driver.click(box["hwnd"], T.YES)
        self.driver.wait_gone(box["hwnd"])

    def not_an_integer(self, label, text):
        box = self.s.box(T.TITLE)
        self.report.equal(f"{label}: the error box", (box["texts"], box["buttons"]),
                          ([T.not_an_integer(text)], [T.OK]))
        self.s.answer(box, T.OK)

    def edited_drop_numbers(self):
        """A drop number edited in place: with a leading zero it counts as its value for Delete
        but as text for Start; text that is no number stops Delete with an error."""
        label = "edited numbers"
        self.launch("edited")
        folder = os.path.join(self.work, "data", "edited")
        rows = [make_file(os.path.join(folder, sub, name), name)
                for sub, name in (("a", "a0.txt"), ("b", "b0.txt"), ("b", "b1.txt"),
                                  ("c", "c0.txt"))]
        for paths, count in (([rows[0]], 1), (rows[1:3], 3), ([rows[3]], 4)):
            self.s.drop(paths, rows=count)
        self.edit_number(2, "01")
        self.edit_number(3, "abc")

        self.answer_delete(3, "abc")
        self.not_an_integer(f"{label}, Delete on 'abc'", "abc")
        before = self.s.rows()
        self.report.equal(f"{label}: nothing removed", [r[T.NUMBER] for r in before],
                          ["0", "1", "01", "abc"])

        self.s.start_confirmed(label)
        self.s.answer(self.s.run_end_box(label), T.OK)
        runs = self.log.runs()
        self.report.equal(f"{label}: Start runs groups 0 to 2 by their exact texts: '01' and "
                          "'abc' belong to none",
                          [list_as_read(run) for run in runs],
                          [list_expected(paths)
                           for paths in ([rows[0]], [rows[1]], [])])
        self.report.equal(f"{label}: only the rows that ran read OK", self.s.statuses(),
                          [T.DONE, T.DONE, "", ""])

        # Delete reads '01' as 1: the rows numbered 1 and 01 go, until 'abc' stops it there.
        self.answer_delete(2, "01")
        self.not_an_integer(f"{label}, Delete on '01' meets 'abc'", "abc")
        self.report.equal(f"{label}: group 1 gone, both its rows; 'abc' and what follows stay, "
                          "nothing renumbered", [r[T.NUMBER] for r in self.s.rows()], ["0", "abc"])
        extra = make_file(os.path.join(folder, "d", "d0.txt"), "d0")
        self.report.equal(f"{label}: the drop count kept its value: the next drop is number 3",
                          self.s.drop([extra], rows=3)[-1][T.NUMBER], "3")


if __name__ == "__main__":
    sys.exit(run_suite("run", __doc__.splitlines()[0], RunTest))
