#!/usr/bin/env python3
"""End-to-end test of Velkin's main window: title, job list columns, the menu and what its
commands do, the profile edit dialog, and ending the program from the keyboard. This suite is
the one that goes through the keyboard: Alt chords, access keys, arrows, Enter and Escape.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  main_window_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin ... --artifacts DIR
                      --build DIR
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import Suite, run_suite, wait_until  # noqa: E402

# Window styles of a maximised and of a minimised window.
WS_MAXIMIZE = 0x01000000
WS_MINIMIZE = 0x20000000

# An "&" (shown literally, not as an access key), a double blank and a trailing blank, and
# Japanese text typed as Unicode key strokes.
EDITED_PROFILE = "-EP1 -S  -M3 -x*.bak & テスト "


def menu_shape(dump):
    """The menu as the user sees it: per item its type, caption, check mark and mark style.

    Profile items show their text with every "&" doubled so that it is not an access key; the
    shape holds the text the user reads."""
    shape = []
    for top in dump["items"]:
        items = []
        for position, item in enumerate(top.get("items", [])):
            caption = item["caption"]
            if top["caption"] == T.PROFILE_MENU and position < T.PROFILE_COUNT:
                caption = caption.replace("&&", "&")
            items.append((item["type"], caption, item["checked"], item["radio"]))
        shape.append((top["type"], top["caption"], tuple(items)))
    return shape


def expected_shape(profiles, selected, save_path=False, clear_end=False, each_item=False):
    def command(caption, checked=False):
        return ("command", caption, checked, False)

    separator = ("separator", "", False, False)
    profile_items = tuple(("command", f"{n} {text}", n == selected, True)
                          for n, text in enumerate(profiles, start=1))
    return [
        ("popup", T.FILE_MENU, (command(T.EXIT),)),
        ("popup", T.EDIT_MENU, (command(T.DELETE_GROUP), separator, command(T.CLEAR), separator,
                                command(T.SHOW_LOG))),
        ("popup", T.PROFILE_MENU, profile_items + (separator, command(T.EDIT_PROFILE))),
        ("popup", T.OPTION_MENU, (command(T.SAVE_PATH, save_path),
                                  command(T.CLEAR_END, clear_end),
                                  command(T.EACH_ITEM, each_item), separator, command(T.START))),
        ("popup", T.HELP_MENU, (command(T.ABOUT), command(T.README))),
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


class MainWindowTest(Suite):
    def __init__(self, session):
        super().__init__(session)
        self.profiles = list(T.DEFAULT_PROFILES)
        self.selected = 1
        self.save_path = False
        self.clear_end = False
        self.each_item = False

    def plans(self):
        return [("main window", [self.startup, self.job_list, self.initial_menu,
                                 self.choose_profile_3, self.toggle_options, self.edit_profile,
                                 self.exit_from_keyboard]),
                ("show command", [self.show_commands])]

    def expected(self):
        return expected_shape(self.profiles, self.selected, self.save_path, self.clear_end,
                              self.each_item)

    def menu(self):
        return menu_shape(self.s.menu())

    def check_menu(self, name, actual=None):
        actual = self.menu() if actual is None else actual
        expected = self.expected()
        return self.report.check(name, actual == expected, shape_difference(actual, expected))

    def wait_for_menu_state(self):
        """Menu commands arrive as posted messages after the menu has closed; wait until the
        menu shows what the model says, then let the caller's check judge it."""
        expected = self.expected()
        return wait_until(self.menu, lambda shape: shape == expected)

    # Scenarios, in the order they run; each builds on the state the previous one left.

    def startup(self):
        velkin = self.s.start("main")
        main = self.s.main
        if velkin.prompt_seen:
            print("note: Velkin asked for WinRAR.exe at start-up; answered with Cancel")
        self.report.equal("main window class", main["class"], T.MAIN_CLASS)
        self.report.equal("main window title", main["caption"], T.TITLE)
        same_title = self.driver.windows(title=T.TITLE, pid=main["pid"])
        self.report.equal("exactly one window titled " + T.TITLE,
                          [w["hwnd"] for w in same_title], [main["hwnd"]])
        self.report.check("Velkin still running after start-up", velkin.running())
        self.s.screenshot("main-window.png")

    def job_list(self):
        view = self.driver.list_view(self.s.main["hwnd"])
        self.report.equal("job list column count", view["column_count"], len(T.COLUMNS))
        self.report.equal("job list column captions", [c["caption"] for c in view["columns"]],
                          [c for c, _ in T.COLUMNS])
        self.report.equal("job list column widths at 96 DPI",
                          [c["width"] for c in view["columns"]], [w for _, w in T.COLUMNS])
        self.report.equal("job list starts empty", (view["row_count"], view["rows"]), (0, []))

    def initial_menu(self):
        dump = self.s.menu()
        self.check_menu("whole menu tree at start (captions, types, checks, radio marks)",
                        menu_shape(dump))
        profiles = self.s.top_menu(T.PROFILE_MENU, dump)["items"][:T.PROFILE_COUNT]
        self.report.equal("profile items use radio-check marks",
                          [p["radio"] for p in profiles], [True] * 5)
        self.report.equal("only profile 1 checked at start",
                          [p["checked"] for p in profiles], [True, False, False, False, False])

    def choose_profile_3(self):
        self.s.keyboard_menu(T.PROFILE_MENU)
        bar = {top["caption"]: top["hilite"] for top in self.s.menu()["items"]}
        self.report.equal("Alt+P opens the profile menu (the only highlighted item of the bar)",
                          [caption for caption, lit in bar.items() if lit], [T.PROFILE_MENU])
        shot = self.s.artifact("main-window-profile-menu.png")
        self.report.check("screenshot with the profile menu open: " + shot,
                          self.s.screenshot("main-window-profile-menu.png"))
        self.driver.keys("down*2")

        def highlighted():
            items = self.s.top_menu(T.PROFILE_MENU)["items"]
            return [i for i, item in enumerate(items) if item["hilite"]]

        # Key strokes are handled whenever the menu gets to them; wait for them.
        self.report.equal("two Down presses highlight profile 3",
                          wait_until(highlighted, lambda rows: rows == [2]), [2])
        self.s.choose_in_open_menu("enter")
        self.selected = 3
        self.check_menu("Enter on profile 3 moves the check to profile 3 only",
                        self.wait_for_menu_state())

    def toggle_options(self):
        for name, key, attribute in ((T.SAVE_PATH, "p", "save_path"),
                                     (T.CLEAR_END, "c", "clear_end"),
                                     (T.EACH_ITEM, "i", "each_item")):
            for round_name in ("checks", "unchecks"):
                self.s.keyboard_menu(T.OPTION_MENU)
                self.s.choose_in_open_menu(key)
                setattr(self, attribute, not getattr(self, attribute))
                self.check_menu(f"choosing {name} with its access key {round_name} it "
                                "(and nothing else changes)", self.wait_for_menu_state())

    def open_edit_dialog(self, label):
        self.s.keyboard_menu(T.PROFILE_MENU)
        self.driver.keys("e")
        dialog = self.driver.dialog(T.EDIT_CAPTION, pid=self.s.main["pid"])
        self.report.equal(f"{label}: dialog caption", dialog["caption"], T.EDIT_CAPTION)
        self.report.equal(f"{label}: prompt", dialog["statics"], [T.EDIT_PROMPT])
        self.report.equal(f"{label}: edit pre-filled with the selected profile's text",
                          dialog["edits"], [self.profiles[self.selected - 1]])
        self.report.equal(f"{label}: buttons", dialog["buttons"], [T.OK, T.CANCEL])
        self.report.check(f"{label}: main window disabled while the dialog is open",
                          not self.s.enabled())
        return dialog

    def finish_dialog(self, dialog):
        self.driver.wait_gone(dialog["hwnd"])
        # The dialog ends inside the menu command's handler, and the menu is updated before
        # the handler returns; a message round trip waits for the handler to be done.
        self.driver.sync(self.s.main["hwnd"])

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
        # The edit has the focus and its text selected when the dialog opens; typing then
        # replaces the text.
        focus = wait_until(lambda: self.driver.focus(dialog["hwnd"]),
                           lambda f: f["focus_class"] == "Edit" and f["selection"] is not None
                           and f["selection"][0] == 0
                           and f["selection"][1] == len(self.profiles[self.selected - 1]))
        self.report.equal(f"{label}: the edit has the focus with its whole text selected",
                          (focus["focus_class"], focus["selection"]),
                          ("Edit", [0, len(self.profiles[self.selected - 1])]))
        self.driver.type_text(EDITED_PROFILE, hwnd=dialog["hwnd"])
        typed = wait_until(lambda: self.driver.dialog(T.EDIT_CAPTION, pid=self.s.main["pid"]),
                           lambda box: box["edits"] == [EDITED_PROFILE])
        self.report.equal(f"{label}: typed text replaces the pre-selected text", typed["edits"],
                          [EDITED_PROFILE])
        self.driver.click(dialog["hwnd"], T.OK)
        self.finish_dialog(dialog)
        dump = self.s.menu()
        self.profiles[self.selected - 1] = EDITED_PROFILE
        self.check_menu(f"{label}: only profile {self.selected}'s caption changes, "
                        "selection and options unchanged", menu_shape(dump))
        raw = self.s.top_menu(T.PROFILE_MENU, dump)["items"][self.selected - 1]["caption"]
        self.report.equal(f"{label}: '&' doubled in the menu so it shows literally", raw,
                          f"{self.selected} " + EDITED_PROFILE.replace("&", "&&"))

    def edit_profile(self):
        self.edit_profile_cancelled(
            "edit profile, Cancel button",
            lambda dialog: self.driver.click(dialog["hwnd"], T.CANCEL))
        self.edit_profile_ok()
        self.edit_profile_cancelled(
            "edit profile, Escape key",
            lambda dialog: self.driver.keys("esc", hwnd=dialog["hwnd"]))
        self.edit_profile_cancelled(
            "edit profile, close box", lambda dialog: self.driver.close(dialog["hwnd"]))

    def show_commands(self):
        """The show command Velkin is started with, as a shortcut gives it: maximised (3) and
        minimised without activation (7) show the window so; the close then stores the place
        the window returns to, not the maximised or minimised one."""
        place = {"MainX": "120", "MainY": "90", "MainW": "650", "MainH": "410"}
        for show, label in ((3, "started maximised"), (7, "started minimised")):
            velkin = self.s.start(f"show{show}", settings={"WinRARPath": "C:\\x.exe", **place},
                                  launcher=[self.s.args.start_shown, str(show)])
            style = self.driver.one("inspect", "--hwnd", self.s.main["hwnd"])["style"]
            self.report.equal(f"{label}: (maximised, minimised)",
                              (bool(style & WS_MAXIMIZE), bool(style & WS_MINIMIZE)),
                              (show == 3, show == 7))
            self.driver.close(self.s.main["hwnd"])
            self.s.expect_exit(label)
            stored = {key: value for _, key, value in velkin.read_settings() if key in place}
            self.report.equal(f"{label}: the close stores the place it returns to", stored,
                              place)

    def exit_from_keyboard(self):
        self.s.keyboard_menu(T.FILE_MENU)
        self.driver.keys("x")
        self.s.expect_exit("File > Exit (Alt+F, X)")


if __name__ == "__main__":
    sys.exit(run_suite("main-window", __doc__.splitlines()[0], MainWindowTest,
                       options=[("--start-shown", "start_shown.exe")]))
