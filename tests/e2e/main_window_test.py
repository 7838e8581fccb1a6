#!/usr/bin/env python3
"""End-to-end test of Velkin's main window: title, job list columns, the menu and what its
commands do, the profile edit dialog, and ending the program from the keyboard.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  main_window_test.py --velkin Velkin.exe --driver velkin_driver.exe --artifacts DIR
"""

import argparse
import os
import subprocess
import sys
import traceback

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from velkin_e2e import (MAIN_WINDOW_CLASS, Driver, DriverError, Report,  # noqa: E402
                        VelkinProcess, require_session, screenshot, wait_for_main_window,
                        wait_until)

TITLE = "Velkin 070509"
COLUMNS = [("番号", 50), ("プロファイル", 80), ("ファイル名", 200), ("フルパス", 200),
           ("保存先", 200), ("ステータス", 70)]
DEFAULT_PROFILES = ["-EP1 -S -M5 -MD4096", "-EP1 -S -M5 -MD4096 -df", "-EP1 -S -M5 -MD4096",
                    "-EP1 -S -M5 -MD4096", "-EP1 -S -M5 -MD4096 -df -ioff"]
PROFILE_MENU = "プロファイル(&P)"
OPTION_MENU = "動作と設定(&R)"
SAVE_PATH = "保存先とファイル名を自分で設定する(&P)"
CLEAR_END = "圧縮終了後にリストをクリア(&C)"
EDIT_PROFILE = "選択プロファイルの編集(&E)"
EDIT_CAPTION = "プロファイルの編集"
EDIT_PROMPT = "コマンドライン"
# An "&" (shown literally, not as an access key), a double blank and a trailing blank, and
# Japanese text typed as Unicode key strokes.
EDITED_PROFILE = "-EP1 -S  -M3 -x*.bak & テスト "


def undouble(caption):
    return caption.replace("&&", "&")


def menu_shape(dump):
    """The menu as the user sees it: per item its type, caption, check mark and mark style.

    Profile items show their text with every "&" doubled so that it is not an access key; the
    shape holds the text the user reads.
    """
    shape = []
    for top in dump["items"]:
        items = []
        for position, item in enumerate(top.get("items", [])):
            caption = item["caption"]
            if top["caption"] == PROFILE_MENU and position < 5:
                caption = undouble(caption)
            items.append((item["type"], caption, item["checked"], item["radio"]))
        shape.append((top["type"], top["caption"], tuple(items)))
    return shape


def expected_shape(profiles, selected, save_path=False, clear_end=False):
    def command(caption, checked=False):
        return ("command", caption, checked, False)

    separator = ("separator", "", False, False)
    profile_items = tuple(("command", f"{n} {text}", n == selected, True)
                          for n, text in enumerate(profiles, start=1))
    return [
        ("popup", "ファイル(&F)", (command("終了(&X)"),)),
        ("popup", "編集(&E)", (command("カーソル位置の番号分を削除(&D)"), separator,
                               command("リストのクリア(&C)"))),
        ("popup", PROFILE_MENU, profile_items + (separator, command(EDIT_PROFILE))),
        ("popup", OPTION_MENU, (command(SAVE_PATH, save_path), command(CLEAR_END, clear_end),
                                separator, command("圧縮開始(&R)"))),
        ("popup", "ヘルプ(&H)", (command("バージョン情報(&A)"), command("Readme.txt参照(&R)"))),
    ]


def shape_difference(actual, expected):
    """A readable list of what differs, for failure messages."""
    lines = []
    if len(actual) != len(expected):
        lines.append(f"{len(actual)} menus, expected {len(expected)}")
    for got, want in zip(actual, expected):
        if got[:2] != want[:2]:
            lines.append(f"menu {got[:2]} instead of {want[:2]}")
            continue
        if len(got[2]) != len(want[2]):
            lines.append(f"{want[1]}: {len(got[2])} items, expected {len(want[2])}")
        for index, (g, w) in enumerate(zip(got[2], want[2])):
            if g != w:
                lines.append(f"{want[1]}[{index}]: got {g}, expected {w}")
    return "; ".join(lines)


def top_menu(dump, caption):
    for top in dump["items"]:
        if top["caption"] == caption:
            return top
    raise DriverError(f"no menu {caption} in the menu bar")


class MainWindowTest:
    def __init__(self, driver, report, artifacts):
        self.driver = driver
        self.report = report
        self.artifacts = artifacts
        self.main = None
        self.profiles = list(DEFAULT_PROFILES)
        self.selected = 1
        self.save_path = False
        self.clear_end = False

    def expected(self):
        return expected_shape(self.profiles, self.selected, self.save_path, self.clear_end)

    def menu(self):
        return menu_shape(self.driver.menu(self.main["hwnd"]))

    def check_menu(self, name, actual=None):
        actual = self.menu() if actual is None else actual
        expected = self.expected()
        return self.report.check(name, actual == expected, shape_difference(actual, expected))

    def wait_for_menu_state(self):
        """Menu commands arrive as posted messages after the menu has closed; wait (bounded)
        until the menu shows what the model says, then let the caller's check judge it."""
        expected = self.expected()
        return wait_until(self.menu, lambda shape: shape == expected)

    # Scenarios, in the order they run; each builds on the state the previous one left.

    def startup(self, velkin):
        main, prompt_seen = wait_for_main_window(self.driver, velkin)
        if prompt_seen:
            print("note: Velkin asked for WinRAR.exe at start-up; answered with Cancel")
        self.main = main
        self.report.equal("main window class", main["class"], MAIN_WINDOW_CLASS)
        self.report.equal("main window title", main["caption"], TITLE)
        same_title = self.driver.windows(title=TITLE, pid=main["pid"])
        self.report.equal("exactly one window titled " + TITLE,
                          [w["hwnd"] for w in same_title], [main["hwnd"]])
        self.report.check("Velkin still running after start-up", velkin.process.poll() is None)
        screenshot(os.path.join(self.artifacts, "main-window.png"))

    def job_list(self):
        view = self.driver.list_view(self.main["hwnd"])
        self.report.equal("job list column count", view["column_count"], len(COLUMNS))
        self.report.equal("job list column captions", [c["caption"] for c in view["columns"]],
                          [c for c, _ in COLUMNS])
        self.report.equal("job list column widths at 96 DPI",
                          [c["width"] for c in view["columns"]], [w for _, w in COLUMNS])
        self.report.equal("job list starts empty", (view["row_count"], view["rows"]), (0, []))

    def initial_menu(self):
        dump = self.driver.menu(self.main["hwnd"])
        self.check_menu("whole menu tree at start (captions, types, checks, radio marks)",
                        menu_shape(dump))
        profiles = top_menu(dump, PROFILE_MENU)["items"][:5]
        self.report.equal("profile items use radio-check marks",
                          [p["radio"] for p in profiles], [True] * 5)
        self.report.equal("only profile 1 checked at start",
                          [p["checked"] for p in profiles], [True, False, False, False, False])

    def choose_profile_3(self):
        popup = self.driver.open_menu(self.main, "p")
        self.report.check("Alt+P opens a popup menu of Velkin", popup["visible"])
        shot = os.path.join(self.artifacts, "main-window-profile-menu.png")
        self.report.check("screenshot with the profile menu open: " + shot, screenshot(shot))
        self.driver.keys("down*2")

        def highlighted():
            items = top_menu(self.driver.menu(self.main["hwnd"]), PROFILE_MENU)["items"]
            return [i for i, item in enumerate(items) if item["hilite"]]

        # Key strokes are handled whenever the menu gets to them; wait (bounded) for them.
        self.report.equal("two Down presses highlight profile 3",
                          wait_until(highlighted, lambda rows: rows == [2]), [2])
        self.driver.choose_in_open_menu(self.main, "enter")
        self.selected = 3
        self.check_menu("Enter on profile 3 moves the check to profile 3 only",
                        self.wait_for_menu_state())

    def toggle_options(self):
        for name, key, attribute in ((SAVE_PATH, "p", "save_path"),
                                     (CLEAR_END, "c", "clear_end")):
            for round_name in ("checks", "unchecks"):
                self.driver.open_menu(self.main, "r")
                self.driver.choose_in_open_menu(self.main, key)
                setattr(self, attribute, not getattr(self, attribute))
                self.check_menu(f"choosing {name} with its access key {round_name} it "
                                "(and nothing else changes)", self.wait_for_menu_state())

    def open_edit_dialog(self, label):
        self.driver.open_menu(self.main, "p")
        self.driver.keys("e")
        dialog = self.driver.dialog(EDIT_CAPTION, pid=self.main["pid"])
        self.report.equal(f"{label}: dialog caption", dialog["caption"], EDIT_CAPTION)
        self.report.equal(f"{label}: prompt", dialog["statics"], [EDIT_PROMPT])
        self.report.equal(f"{label}: edit pre-filled with the selected profile's text",
                          dialog["edits"], [self.profiles[self.selected - 1]])
        self.report.equal(f"{label}: buttons", dialog["buttons"], ["OK", "キャンセル"])
        self.report.check(f"{label}: main window disabled while the dialog is open",
                          not self.driver.window(MAIN_WINDOW_CLASS, pid=self.main["pid"])
                          ["enabled"])
        return dialog

    def finish_dialog(self, dialog):
        self.driver.wait_gone(dialog["hwnd"])
        # The dialog ends inside the menu command's handler, and the menu is updated before
        # the handler returns; a message round trip waits for the handler to be done.
        self.driver.sync(self.main["hwnd"])

    def edit_profile_cancelled(self, label, dismiss):
        dialog = self.open_edit_dialog(label)
        entered = self.driver.set_edit(dialog["hwnd"], "-discarded & text")
        self.report.equal(f"{label}: edit holds the new text before dismissing", entered["text"],
                          "-discarded & text")
        dismiss(dialog)
        self.finish_dialog(dialog)
        self.check_menu(f"{label}: the menu is unchanged")

    def edit_profile_ok(self):
        label = "edit profile, OK"
        dialog = self.open_edit_dialog(label)
        self.driver.type_text(EDITED_PROFILE, hwnd=dialog["hwnd"])
        typed = wait_until(lambda: self.driver.dialog(EDIT_CAPTION, pid=self.main["pid"]),
                           lambda box: box["edits"] == [EDITED_PROFILE])
        self.report.equal(f"{label}: typed text replaces the pre-selected text", typed["edits"],
                          [EDITED_PROFILE])
        self.driver.click(dialog["hwnd"], "OK")
        self.finish_dialog(dialog)
        dump = self.driver.menu(self.main["hwnd"])
        self.profiles[self.selected - 1] = EDITED_PROFILE
        self.check_menu(f"{label}: only profile {self.selected}'s caption changes, "
                        "selection and options unchanged", menu_shape(dump))
        raw = top_menu(dump, PROFILE_MENU)["items"][self.selected - 1]["caption"]
        self.report.equal(f"{label}: '&' doubled in the menu so it shows literally", raw,
                          f"{self.selected} " + EDITED_PROFILE.replace("&", "&&"))

    def edit_profile(self):
        self.edit_profile_cancelled(
            "edit profile, Cancel button",
            lambda dialog: self.driver.click(dialog["hwnd"], "キャンセル"))
        self.edit_profile_ok()
        self.edit_profile_cancelled(
            "edit profile, Escape key",
            lambda dialog: self.driver.keys("esc", hwnd=dialog["hwnd"]))
        self.edit_profile_cancelled(
            "edit profile, close box", lambda dialog: self.driver.close(dialog["hwnd"]))

    def exit_from_keyboard(self, velkin):
        self.driver.open_menu(self.main, "f")
        self.driver.keys("x")
        ended = self.driver.wait_exit(self.main["pid"])
        self.report.equal("File > Exit (Alt+F, X) ends Velkin with exit code 0",
                          ended["exit_code"], 0)
        self.report.equal("the wine launcher returns Velkin's exit code 0", velkin.wait(30), 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--velkin", required=True, help="Velkin.exe to test")
    parser.add_argument("--driver", required=True, help="velkin_driver.exe")
    parser.add_argument("--artifacts", required=True, help="folder for screenshots")
    parser.add_argument("--verbose", action="store_true", help="print every driver command")
    args = parser.parse_args()
    require_session()
    os.makedirs(args.artifacts, exist_ok=True)
    for name in os.listdir(args.artifacts):
        if name.startswith("failed-scenario-"):  # from an earlier run; would mislead
            os.remove(os.path.join(args.artifacts, name))

    report = Report()
    test = MainWindowTest(Driver(args.driver, args.verbose), report, args.artifacts)
    velkin = VelkinProcess(args.velkin)
    scenarios = [
        lambda: test.startup(velkin),
        test.job_list,
        test.initial_menu,
        test.choose_profile_3,
        test.toggle_options,
        test.edit_profile,
        lambda: test.exit_from_keyboard(velkin),
    ]
    try:
        for number, scenario in enumerate(scenarios, start=1):
            if velkin.process.poll() is not None:
                report.check(f"scenario {number}: Velkin is running", False,
                             f"it ended with {velkin.process.returncode}")
                break
            try:
                scenario()
            except (DriverError, OSError, subprocess.SubprocessError, KeyError, IndexError) as error:
                report.check(f"scenario {number} ran to its end", False,
                             f"{type(error).__name__}: {error}")
                traceback.print_exc(file=sys.stdout)
                if test.main is None:
                    break
                try:
                    failed = os.path.join(args.artifacts, f"failed-scenario-{number}.png")
                    screenshot(failed)
                    print(f"screen at the failure: {failed}")
                    # Back to a plain main window (closes menus and dialogs) for the next one.
                    test.driver.keys("esc*3")
                except (DriverError, OSError, subprocess.SubprocessError) as cleanup_error:
                    print(f"could not clean up after scenario {number}: {cleanup_error}")
    finally:
        if velkin.process.poll() is None:
            print("killing Velkin, still running after the test", flush=True)
        velkin.cleanup()
    return report.summary()


if __name__ == "__main__":
    sys.exit(main())
