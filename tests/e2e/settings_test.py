#!/usr/bin/env python3
"""End-to-end test of Velkin's settings file (Velkin.ini beside Velkin.exe) and of the question
for the WinRAR location at a first start: what a first start and a close write, that every
setting survives a restart, how hand-written values are read, a place off every monitor, a
settings file that cannot be written, and profile texts that read back exactly or not at all.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  settings_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
                   --artifacts DIR --build DIR
"""

import glob
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import (STARTUP_TIMEOUT_MS, Suite, each_alone, make_file,  # noqa: E402
                        outer_rect, run_suite, screen_size, wait_until, windows_path)
from wine_registry import import_reg  # noqa: E402

KEYS = T.SETTINGS_KEYS
DEFAULT_PROFILES = T.DEFAULT_PROFILES
DEFAULT_COLUMNS = T.DEFAULT_COLUMNS
DEFAULT_RECT = T.DEFAULT_RECT


def file_values(rect, profiles, columns, archiver, selected, save_path, clear_end):
    """The 19 values of a save, in the order of the keys."""
    left, top, width, height = rect
    return dict(zip(KEYS, [str(left), str(top), str(width), str(height), *profiles,
                           *[str(c) for c in columns], archiver, str(selected),
                           "1" if save_path else "0", "1" if clear_end else "0"]))


def default_values(archiver):
    return file_values(DEFAULT_RECT, DEFAULT_PROFILES, DEFAULT_COLUMNS, archiver, 1, False, False)


class SettingsTest(Suite):
    def plans(self):
        # Each scenario starts its own Velkins; one failing does not stop the others.
        return each_alone(self.first_start, self.seven_zip_first_start, self.cancelled_prompt,
                          self.round_trip, self.hand_written, self.off_screen,
                          self.restarts_at_144_dpi, self.unwritable, self.profile_texts,
                          self.never_writable)

    # Helpers.

    def start(self, folder=None, settings=None, settings_bytes=None):
        return self.s.start(folder=folder, settings=settings, settings_bytes=settings_bytes,
                            wait=False)

    def main_window(self, velkin, pid=None):
        """The main window, which must come without any question first."""
        window = self.driver.window(T.MAIN_CLASS, pid=pid, timeout_ms=STARTUP_TIMEOUT_MS)
        velkin.main = self.s.main = window
        return window

    def raw_profile_caption(self, main, number):
        return self.s.top_menu(T.PROFILE_MENU)["items"][number - 1]["caption"]

    def exit_by_menu(self, velkin, main, label):
        """File > Exit, as a user ends the program; the exit code must be 0."""
        self.s.invoke(T.FILE_MENU, T.EXIT)
        self.s.expect_exit(label, velkin)

    def exit_by_close_box(self, velkin, main, label):
        self.driver.close(main["hwnd"])
        self.s.expect_exit(label, velkin)

    def check_file(self, label, velkin, expected, seeded=(), apart=()):
        """The whole file: section Main alone, the 19 keys in their order, the given values.

        seeded: keys the file held before the save, which keep their places; the save appends
        the others. apart: keys whose values get a check of their own."""
        entries = velkin.read_settings()
        order = [key for key in seeded if key in KEYS] + [key for key in KEYS if key not in seeded]
        what = "in the order of a save" if not seeded else "seeded ones first"
        self.report.equal(f"{label}: file holds section Main with the 19 keys, {what}",
                          [(section, key) for section, key, _ in entries],
                          [("Main", key) for key in order])
        values = {key: value for _, key, value in entries}
        self.report.equal(f"{label}: the 19 values" + (f" (but {', '.join(apart)})" if apart
                                                        else ""),
                          {k: v for k, v in values.items() if k not in apart},
                          {k: v for k, v in expected.items() if k not in apart})
        for key in apart:
            self.report.equal(f"{label}: {key} as expected", values.get(key), expected[key])
        with open(velkin.settings_path(), "rb") as ini:
            head = ini.read(3)
        self.report.check(f"{label}: no byte order mark", not head.startswith(b"\xef\xbb\xbf")
                          and not head.startswith(b"\xff\xfe") and head.startswith(b"["),
                          f"file starts with {head!r}")

    def main_values(self, velkin):
        """Section Main of the file, keys in lower case (the system finds keys in any case)."""
        return {key.lower(): value for section, key, value in velkin.read_settings()
                if section is not None and section.lower() == "main"}

    def wait_prompt(self, label):
        prompt = self.driver.dialog(T.ARCHIVER_PROMPT, timeout_ms=STARTUP_TIMEOUT_MS)
        self.report.equal(f"{label}: the open dialog asks for WinRAR.exe", prompt["caption"],
                          T.ARCHIVER_PROMPT)
        self.report.equal(f"{label}: no main window is visible while it is open",
                          self.driver.windows(T.MAIN_CLASS, pid=prompt["pid"]), [])
        self.report.equal(f"{label}: the prompt is the program's only visible window",
                          [w["hwnd"] for w in self.driver.windows(pid=prompt["pid"])],
                          [prompt["hwnd"]])
        return prompt

    def choose_in_prompt(self, label, velkin, prompt, path):
        """Types the path into the prompt's file name field, which has the focus once the
        dialog has settled, and confirms it with Enter; returns the main window."""
        focus = wait_until(lambda: self.driver.focus(prompt["hwnd"]),
                           lambda f: f["active"] == prompt["hwnd"] and f["focus_class"] == "Edit")
        self.report.equal(f"{label}: the file name field has the focus",
                          (focus["active"], focus["focus_class"]), (prompt["hwnd"], "Edit"))
        self.driver.type_text(path, hwnd=prompt["hwnd"])

        def name_field():
            shown = self.driver.dialog(T.ARCHIVER_PROMPT, pid=prompt["pid"])
            return [c["text"] for c in shown["controls"] if c["class"] == "ComboBoxEx32"]

        self.report.equal(f"{label}: the path typed into the file name field",
                          wait_until(name_field, lambda texts: texts == [path]), [path])
        self.driver.keys("enter", hwnd=prompt["hwnd"])
        main = self.main_window(velkin, pid=prompt["pid"])
        self.driver.wait_gone(prompt["hwnd"])
        return main

    def edit_profile(self, main, text):
        """The selected profile edited to the text, confirmed with OK."""
        self.s.invoke(T.PROFILE_MENU, T.EDIT_PROFILE)
        dialog = self.driver.dialog(T.EDIT_CAPTION, pid=main["pid"])
        self.driver.set_edit(dialog["hwnd"], text)
        self.driver.click(dialog["hwnd"], T.OK)
        self.driver.wait_gone(dialog["hwnd"])

    def check_box(self, label, texts, buttons, icon):
        """The box that shows: caption, texts, buttons and icon."""
        box = self.s.box(T.TITLE)
        self.report.equal(f"{label}: box with the application title: texts and buttons",
                          (box["texts"], box["buttons"]), (texts, buttons))
        shown = self.driver.one("icon", "--hwnd", box["hwnd"])
        self.report.equal(f"{label}: the box shows the {icon} icon ({shown['differences']})",
                          shown["best"], icon)
        return box

    def standin_copy(self):
        """The stand-in archiver in a folder and under a name too long for 8.3."""
        folder = os.path.join(self.work, "Archiver Program Folder")
        return self.s.standin_copy(folder)

    def short_path(self, unix_path):
        return self.driver.one("short-path", "--path", windows_path(unix_path))["short"]

    # Scenarios.

    def first_start(self):
        label = "first start"
        archiver = self.standin_copy()
        long_path = windows_path(archiver)
        short_path = self.short_path(archiver)
        self.report.check(f"{label}: the chosen file's 8.3 form differs from its long path "
                          f"({short_path})", short_path.lower() != long_path.lower())

        velkin = self.start()
        prompt = self.wait_prompt(label)
        self.report.check(f"{label}: the file type list offers {T.ARCHIVER_FILTER}",
                          any(c["class"] == "ComboBox" and c["text"] == T.ARCHIVER_FILTER
                              for c in prompt["controls"]),
                          str([c["text"] for c in prompt["controls"] if c["class"] == "ComboBox"]))
        self.report.check(f"{label}: no settings file before the first close",
                          not os.path.exists(velkin.settings_path()))
        shot = self.s.artifact("settings-startup-prompt.png")
        self.report.check(f"{label}: screenshot of the prompt: {shot}",
                          self.s.screenshot("settings-startup-prompt.png"))

        main = self.choose_in_prompt(label, velkin, prompt, long_path)
        self.report.equal(f"{label}: main window title", main["caption"], T.TITLE)
        self.report.equal(f"{label}: main window at 100,100, 640x400 outside", outer_rect(main),
                          DEFAULT_RECT)
        self.report.equal(f"{label}: column widths", self.s.column_widths(), DEFAULT_COLUMNS)
        self.report.equal(f"{label}: menu: default profiles, profile 1 checked, options off",
                          self.s.menu_state(),
                          self.s.expected_menu(DEFAULT_PROFILES, 1, False, False))
        self.exit_by_menu(velkin, main, label)
        self.check_file(label, velkin, default_values(short_path))

    def seven_zip_first_start(self):
        """7z.exe chosen at a first start: the five profiles are the 7-Zip family's defaults,
        and the close stores them."""
        label = "first start with 7z.exe"
        archiver = self.s.standin_copy(os.path.join(self.work, "7-Zip"), "7z.exe")
        velkin = self.start()
        prompt = self.wait_prompt(label)
        main = self.choose_in_prompt(label, velkin, prompt, windows_path(archiver))
        self.report.equal(f"{label}: menu: the family's default profiles, profile 1 checked",
                          self.s.menu_state(),
                          self.s.expected_menu(T.SEVEN_ZIP_PROFILES, 1, False, False))
        self.exit_by_menu(velkin, main, label)
        self.check_file(label, velkin,
                        file_values(DEFAULT_RECT, T.SEVEN_ZIP_PROFILES, DEFAULT_COLUMNS,
                                    self.short_path(archiver), 1, False, False))

    def cancelled_prompt(self):
        label = "prompt cancelled"
        velkin = self.start()
        prompt = self.wait_prompt(label)
        self.driver.click(prompt["hwnd"], T.CANCEL)
        main = self.main_window(velkin, pid=prompt["pid"])
        self.driver.sync(main["hwnd"])
        self.report.equal(f"{label}: no message, only the main window shows",
                          [w["class"] for w in self.driver.windows(pid=main["pid"])],
                          [T.MAIN_CLASS])
        self.report.equal(f"{label}: main window at the default place", outer_rect(main),
                          DEFAULT_RECT)
        self.exit_by_close_box(velkin, main, label)
        self.check_file(label, velkin, default_values(""))

        label = "restart after a cancelled prompt"
        again = self.start(folder=velkin.folder)
        prompt = self.wait_prompt(label)
        self.driver.click(prompt["hwnd"], T.CANCEL)
        main = self.main_window(again, pid=prompt["pid"])
        self.exit_by_menu(again, main, label)
        self.check_file(label, again, default_values(""))

    def round_trip(self):
        label = "changes"
        archiver = "C:\\Program Files\\WinRAR\\WinRAR.exe"
        velkin = self.start(settings={"WinRARPath": archiver})
        main = self.main_window(velkin)
        self.report.equal(f"{label}: seeded WinRARPath: no prompt, defaults", outer_rect(main),
                          DEFAULT_RECT)

        rect = (160, 130, 720, 460)
        moved = self.driver.one("move", "--hwnd", main["hwnd"], "--rect", ",".join(map(str, rect)))
        self.report.equal(f"{label}: window moved and resized", outer_rect(moved), rect)

        # Header dividers cannot be dragged reliably without a window manager; the list view
        # gets the message a drag ends in.
        columns = [64, 96, 150, 230, 180, 90]
        for number, width in enumerate(columns):
            self.driver.one("set-column-width", "--hwnd", main["hwnd"], "--column", number,
                            "--width", width)
        self.report.equal(f"{label}: column widths set", self.s.column_widths(), columns)

        self.s.choose_profile(4)
        profiles = list(DEFAULT_PROFILES)

        # Blanks at both ends, an "&" and Japanese text (Shift-JIS in the file).
        edited = "  -m3 & テスト -x*.bak  "
        self.s.invoke(T.PROFILE_MENU, T.EDIT_PROFILE)
        dialog = self.driver.dialog(T.EDIT_CAPTION, pid=main["pid"])
        self.report.equal(f"{label}: edit dialog shows profile 4's text", dialog["edits"],
                          [DEFAULT_PROFILES[3]])
        self.driver.set_edit(dialog["hwnd"], edited)
        self.driver.click(dialog["hwnd"], T.OK)
        self.driver.wait_gone(dialog["hwnd"])
        self.driver.sync(main["hwnd"])
        profiles[3] = edited

        for option in (T.SAVE_PATH, T.CLEAR_END):
            self.s.invoke(T.OPTION_MENU, option)
        expected_menu = self.s.expected_menu(profiles, 4, True, True)
        self.report.equal(f"{label}: menu before the close (profile 4 edited and checked, "
                          "both options checked)",
                          wait_until(lambda: self.s.menu_state(),
                                     lambda state: state == expected_menu), expected_menu)
        self.report.equal(f"{label}: the edited caption doubles '&' so it shows literally",
                          self.raw_profile_caption(main, 4), "4 " + edited.replace("&", "&&"))
        self.exit_by_menu(velkin, main, label)
        # The program hands the profile over as it stands, blanks at both ends included.
        # Windows writes it so; Wine's profile writer drops those blanks. Reading trims them
        # either way, so only their presence in the file may differ.
        expected_values = file_values(rect, profiles, columns, archiver, 4, True, True)
        stored = self.main_values(velkin).get("raroption4")
        if stored == edited.strip(" "):
            expected_values["RAROption4"] = stored
        self.check_file(label, velkin, expected_values, seeded=["WinRARPath"],
                        apart=["RAROption4"])
        with open(velkin.settings_path(), "rb") as ini:
            raw = ini.read()
        self.report.check(f"{label}: the edited profile is stored in Shift-JIS",
                          "-m3 & テスト -x*.bak".encode("cp932") in raw, f"file: {raw!r}")

        label = "restart"
        again = self.start(folder=velkin.folder)
        main = self.main_window(again)
        self.report.equal(f"{label}: window rect as left", outer_rect(main), rect)
        self.report.equal(f"{label}: column widths as left", self.s.column_widths(), columns)
        # The file's blanks at both ends are not part of the value read back.
        profiles[3] = edited.strip()
        self.report.equal(f"{label}: menu as left (profile 4's text read without its blanks)",
                          self.s.menu_state(), self.s.expected_menu(profiles, 4, True, True))
        self.report.equal(f"{label}: profile 4's caption with '&' doubled",
                          self.raw_profile_caption(main, 4),
                          "4 " + edited.strip().replace("&", "&&"))
        self.exit_by_close_box(again, main, label)
        self.check_file(label, again,
                        file_values(rect, profiles, columns, archiver, 4, True, True),
                        seeded=["WinRARPath"])

    def hand_written(self):
        archiver = "C:\\WinRAR\\WinRAR.exe"

        label = "hand-written A"
        text = ("; a comment line\r\n[Other]\r\nKeep=this value\r\n[Main]\r\n"
                f"WinRARPath={archiver}\r\nraroptionselect=3\r\nSavePath=2\r\nRAROption2=\r\n"
                'RAROption1="-q1 & quoted"\r\nmainw=520\r\nExtraKey=kept too\r\n'
                "[Tail]\r\nz=1\r\n")
        velkin = self.start(settings_bytes=text.encode("cp932"))
        main = self.main_window(velkin)
        profiles = ["-q1 & quoted", ""] + DEFAULT_PROFILES[2:]
        captions, checked, save_path, clear_end = self.s.menu_state()
        self.report.equal(f"{label}: raroptionselect=3 (key in lower case) checks profile 3",
                          checked, [3])
        self.report.equal(f"{label}: SavePath=2 checks the option", save_path, True)
        self.report.equal(f"{label}: ClearEnd missing: unchecked", clear_end, False)
        self.report.equal(f"{label}: RAROption2 present and empty: caption '2 '", captions[1],
                          "2 ")
        self.report.equal(f"{label}: a profile in double quotes is read without them",
                          captions[0], "1 " + profiles[0])
        self.report.equal(f"{label}: missing RAROption3..5: defaults", captions[2:],
                          [f"{n} {t}" for n, t in enumerate(DEFAULT_PROFILES[2:], start=3)])
        self.report.equal(f"{label}: mainw=520 (key in lower case) sets the width",
                          outer_rect(main)[2], 520)
        self.exit_by_menu(velkin, main, label)
        values = self.main_values(velkin)
        self.report.equal(f"{label}: written back: SavePath 1, RAROption2 empty, "
                          "RAROption1 without quotes, RAROptionSelect 3",
                          [values.get(k) for k in ("savepath", "raroption2", "raroption1",
                                                   "raroptionselect", "mainw")],
                          ["1", "", profiles[0], "3", "520"])
        self.report.equal(f"{label}: all 19 keys in section Main", sorted(values),
                          sorted([k.lower() for k in KEYS] + ["extrakey"]))
        entries = velkin.read_settings()
        kept = [(s, k, v) for s, k, v in entries
                if (s, k) in (("Other", "Keep"), ("Main", "ExtraKey"), ("Tail", "z"))]
        self.report.equal(f"{label}: other sections and keys are kept", kept,
                          [("Other", "Keep", "this value"), ("Main", "ExtraKey", "kept too"),
                           ("Tail", "z", "1")])

        label = "hand-written B"
        velkin = self.start(settings={"WinRARPath": archiver, "RAROptionSelect": "0x3",
                                      "SavePath": "yes", "ClearEnd": "0x1"})
        main = self.main_window(velkin)
        self.report.equal(f"{label}: RAROptionSelect=0x3 checks profile 3, SavePath=yes "
                          "unchecked, ClearEnd=0x1 checked, RAROption2 missing: default",
                          self.s.menu_state(),
                          self.s.expected_menu(DEFAULT_PROFILES, 3, False, True))
        self.exit_by_menu(velkin, main, label)
        values = self.main_values(velkin)
        self.report.equal(f"{label}: written back: RAROptionSelect 3, SavePath 0, ClearEnd 1, "
                          "RAROption2 default",
                          [values.get(k) for k in ("raroptionselect", "savepath", "clearend",
                                                   "raroption2")],
                          ["3", "0", "1", DEFAULT_PROFILES[1]])

        for value in ("0", "6", "-1", "abc"):
            label = f"RAROptionSelect={value}"
            velkin = self.start(settings={"WinRARPath": archiver, "RAROptionSelect": value})
            main = self.main_window(velkin)
            self.report.equal(f"{label}: profile 1 checked", self.s.menu_state()[1], [1])
            self.exit_by_close_box(velkin, main, label)
            self.report.equal(f"{label}: written back as 1",
                              self.main_values(velkin).get("raroptionselect"), "1")

    def off_screen(self):
        label = "MainX=-5000"
        archiver = "C:\\WinRAR\\WinRAR.exe"
        seeded = {"WinRARPath": archiver, "MainX": "-5000", "MainY": "100", "MainW": "500",
                  "MainH": "300"}
        velkin = self.start(settings=seeded)
        main = self.main_window(velkin)
        left, top, width, height = outer_rect(main)
        screen_width, screen_height = screen_size()
        self.report.equal(f"{label}: size kept", (width, height), (500, 300))
        visible = (max(0, min(left + width, screen_width) - max(left, 0)),
                   max(0, min(top + height, screen_height) - max(top, 0)))
        self.report.check(f"{label}: the window lies (at least partly) on the screen "
                          f"{screen_width}x{screen_height}: {outer_rect(main)}",
                          visible[0] > 0 and visible[1] > 0)
        self.report.check(f"{label}: moved no further than onto the screen's left edge",
                          left == 0, f"left is {left}")
        self.exit_by_menu(velkin, main, label)
        expected = default_values(archiver)
        expected.update(MainX=str(left), MainY=str(top), MainW="500", MainH="300")
        self.check_file(label, velkin, expected, seeded=list(seeded))

    def restarts_at_144_dpi(self):
        """At a DPI other than 96 the place and column widths are stored as the window has them
        and applied as stored, start after start. The prefix's DPI is set for this scenario only
        (Wine reads it from the registry as each program starts)."""
        label = "144 DPI"
        keys = ["MainX", "MainY", "MainW", "MainH"] + [f"Column{n}" for n in range(6)]
        self.set_log_pixels(144)
        try:
            velkin = self.start(settings={"WinRARPath": "C:\\WinRAR\\WinRAR.exe"})
            main = self.main_window(velkin)
            self.report.equal(f"{label}: the default size and columns are those of 96 DPI "
                              "scaled by 1.5", (outer_rect(main), self.s.column_widths()),
                              ((100, 100, 960, 600), [w * 3 // 2 for w in DEFAULT_COLUMNS]))
            self.exit_by_close_box(velkin, main, label)
            first = {key: value for _, key, value in velkin.read_settings() if key in keys}
            for restart in (1, 2, 3):
                again = self.start(folder=velkin.folder)
                main = self.main_window(again)
                self.exit_by_close_box(again, main, f"{label}, restart {restart}")
                self.report.equal(f"{label}, restart {restart}: place and column widths stored "
                                  "unchanged",
                                  {key: value for _, key, value in again.read_settings()
                                   if key in keys}, first)
        finally:
            self.set_log_pixels(None)

    def set_log_pixels(self, dpi):
        """The prefix's DPI (HKCU\\Control Panel\\Desktop, LogPixels); None: Wine's default."""
        import_reg(self.work, "log-pixels.reg",
                   ["[HKEY_CURRENT_USER\\Control Panel\\Desktop]",
                    f'"LogPixels"=dword:{dpi:08x}' if dpi else '"LogPixels"=-'])

    def unwritable(self):
        label = "unwritable file"
        archiver = "C:\\WinRAR\\WinRAR.exe"
        profiles = ["-p1", "-p2 & two", "-p3", "-p4", "-p5"]
        rect = (120, 90, 600, 380)
        columns = [55, 85, 190, 210, 170, 75]
        settings = file_values(rect, profiles, columns, archiver, 2, False, True)
        velkin = self.start(settings=settings)
        main = self.main_window(velkin)

        # Rows, so that their survival can be seen.
        dropped = [make_file(os.path.join(self.work, "drop", name), "x")
                   for name in ("first.txt", "second.txt")]
        before_rows = self.s.drop(dropped, rows=2)
        self.report.equal(f"{label}: two rows from a drop", len(before_rows), 2)
        before_menu = self.s.menu_state()
        self.report.equal(f"{label}: settings read", before_menu,
                          self.s.expected_menu(profiles, 2, False, True))

        ini = velkin.settings_path()
        os.remove(ini)
        os.mkdir(ini)
        self.s.invoke(T.FILE_MENU, T.EXIT)
        box = self.driver.dialog(pid=main["pid"], timeout_ms=STARTUP_TIMEOUT_MS)
        self.report.equal(f"{label}: error box caption", box["caption"], T.TITLE)
        self.report.equal(f"{label}: error box text", [s for s in box["statics"] if s],
                          [T.cannot_write(windows_path(ini))])
        self.report.equal(f"{label}: error box button", box["buttons"], [T.OK])
        icon = self.driver.one("icon", "--hwnd", box["hwnd"])
        self.report.equal(f"{label}: error box shows the error icon ({icon['differences']})",
                          icon["best"], "error")
        self.s.screenshot("settings-cannot-write.png")
        self.driver.click(box["hwnd"], T.OK)
        self.driver.wait_gone(box["hwnd"])

        shown = wait_until(lambda: self.driver.windows(T.MAIN_CLASS, pid=main["pid"]),
                           lambda windows: len(windows) == 1 and windows[0]["enabled"])
        self.report.check(f"{label}: Velkin still runs after OK", velkin.running())
        self.report.equal(f"{label}: main window visible and enabled again",
                          [(w["hwnd"], w["enabled"]) for w in shown], [(main["hwnd"], True)])
        self.report.equal(f"{label}: main window not moved", outer_rect(shown[0]), rect)
        self.report.equal(f"{label}: rows unchanged",
                          self.driver.list_view(main["hwnd"])["rows"], before_rows)
        self.report.equal(f"{label}: settings unchanged", self.s.menu_state(), before_menu)
        self.report.equal(f"{label}: column widths unchanged", self.s.column_widths(), columns)

        os.rmdir(ini)
        label = "writable again"
        self.exit_by_close_box(velkin, main, label)
        self.check_file(label, velkin, settings)

    def profile_texts(self):
        """A profile in quotes reads back exactly after a restart; one with characters the ANSI
        settings file cannot hold is refused with a box, and the profile keeps its text."""
        label = "profile texts"
        quoted = '"-apMy Docs"'
        profiles = ["-p1", "-p2", "-p3", "-p4", "-p5"]
        velkin = self.start(settings=file_values(DEFAULT_RECT, profiles, DEFAULT_COLUMNS,
                                                 "C:\\WinRAR\\WinRAR.exe", 1, False, False))
        main = self.main_window(velkin)
        self.edit_profile(main, quoted)
        profiles[0] = quoted
        self.s.choose_profile(2)
        self.edit_profile(main, "-pGrüße")
        box = self.check_box(f"{label}: -pGrüße", [T.profile_not_stored("üß")], [T.OK],
                             "warning")
        self.s.answer(box, T.OK)
        self.report.equal(f"{label}: profile 1 quoted, profile 2 kept", self.s.menu_state(),
                          self.s.expected_menu(profiles, 2))
        self.exit_by_menu(velkin, main, label)
        self.report.equal(f"{label}: the file keeps RAROption2",
                          self.main_values(velkin).get("raroption2"), "-p2")

        label = "profile texts, restart"
        again = self.start(folder=velkin.folder)
        main = self.main_window(again)
        self.report.equal(f"{label}: both profiles read back exactly", self.s.menu_state(),
                          self.s.expected_menu(profiles, 2))
        self.exit_by_close_box(again, main, label)

    def never_writable(self):
        """A folder in place of Velkin.ini: the first close only says so; every later one that
        fails asks whether to end without the settings. No keeps the window; Yes ends Velkin with
        exit code 0, its queue file gone as at any close."""
        label = "never writable"
        velkin = self.start(settings={"WinRARPath": "C:\\WinRAR\\WinRAR.exe"})
        main = self.main_window(velkin)
        self.s.drop([make_file(os.path.join(self.work, "never", "a.txt"), "x")], rows=1)
        queue = glob.glob(os.path.join(velkin.folder, "Velkin.*.queue"))
        self.report.equal(f"{label}: a queue file for the row", len(queue), 1)
        ini = velkin.settings_path()
        os.remove(ini)
        os.mkdir(ini)

        def close(step):
            """A close that fails: the error box, answered OK."""
            self.driver.close(main["hwnd"])
            box = self.check_box(step, [T.cannot_write(windows_path(ini))], [T.OK], "error")
            self.s.answer(box, T.OK)

        close(f"{label}, first close")
        self.report.equal(f"{label}, first close: no question, the window stays",
                          self.s.boxes(), [])
        close(f"{label}, second close")
        question = self.check_box(f"{label}, second close, then", [T.END_WITHOUT_SETTINGS],
                                  [T.YES, T.NO], "question")
        self.s.answer(question, T.NO)
        self.report.equal(f"{label}, second close: No keeps the window with its row",
                          (self.s.boxes(), self.s.row_count()), ([], 1))
        close(f"{label}, third close")
        question = self.check_box(f"{label}, third close, then", [T.END_WITHOUT_SETTINGS],
                                  [T.YES, T.NO], "question")
        self.driver.click(question["hwnd"], T.YES)
        self.s.expect_exit(label, velkin)
        self.report.equal(f"{label}: the queue file went as at any close",
                          [path for path in queue if os.path.exists(path)], [])
        self.report.check(f"{label}: nothing was written in place of the folder",
                          os.path.isdir(ini))


if __name__ == "__main__":
    sys.exit(run_suite("settings", __doc__.splitlines()[0], SettingsTest))
