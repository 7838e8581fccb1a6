#!/usr/bin/env python3
"""End-to-end test of the ways in besides a drag: paths on the command line (one drop, or one
drop each with /each), a second start handing its paths to the window already open, paste from
the clipboard, and WM_COPYDATA messages that are not a hand-off.

Also what comes through those doors from careless or hostile programs: a malformed file list on
the clipboard, a folder written with a final separator (and in quotes, as another shell passes
it), paths no file name can hold, a hand-off to a window whose close waits, and arrivals while
the profile dialog is open.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  arrivals_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
                   --fault-archiver velkin_fault_archiver.exe --start-shown start_shown.exe
                   --artifacts DIR --build DIR
"""

import os
import struct
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import (Suite, STARTUP_TIMEOUT_MS, DriverError, make_file,  # noqa: E402
                        run_suite, wait_until, windows_path)

# The hand-off message as a second start sends it: dwData, then version and flags (32 bits
# each, little-endian), every path in UTF-16LE with a zero unit after it, one more zero unit.
HAND_OFF_TAG = 0x4E4B4C56
HAND_OFF_VERSION = 1
EACH_APART = 1
# Wine hands over a message with up to about 250 MB; one with 256 MiB or more fails on the way
# (the sender gets an error or no answer, and the receiving thread's GetMessageW fails once).
DELIVERED_HUGE = 200 * 1000 * 1000
UNDELIVERABLE_HUGE = 300 * 1024 * 1024


def hand_off_bytes(paths, version=HAND_OFF_VERSION, flags=0):
    body = b"".join(p.encode("utf-16-le") + b"\0\0" for p in paths) + b"\0\0"
    return struct.pack("<II", version, flags) + body


def name_of(path):
    return path[path.rfind("\\") + 1:]


class ArrivalsTest(Suite):
    def __init__(self, session):
        super().__init__(session)
        self.folder = os.path.join(session.work, "velkin")
        self.first = None  # the Velkin every arrival goes to
        self.other = None  # a Velkin of another program folder
        self.expected = []  # its rows: [number, profile, name, path, destination, status]
        self.drop_count = 0
        base = os.path.join(session.work, "files")
        self.japanese = os.path.join(base, "ソ表 src")
        self.korean = os.path.join(base, "한국 폴더")
        self.files = {name: make_file(os.path.join(self.japanese, name), name)
                      for name in ("a b.txt", "with blank.txt", "表.txt", "c.txt", "d.txt",
                                   "e.txt", "f.txt", "g.txt", "hold.txt")}
        self.files["한국.txt"] = make_file(os.path.join(self.korean, "한국.txt"), "k")
        self.files["😀.txt"] = make_file(os.path.join(self.korean, "😀.txt"), "e")

    def plans(self):
        return [("arrivals", [self.start_with_paths, self.hand_off, self.other_folder,
                              self.hand_off_each, self.hand_off_short_form,
                              self.second_window, self.paste,
                              self.malformed_clipboard, self.malformed_copy_data,
                              self.hand_off_during_run, self.arrival_during_profile_edit,
                              self.hand_off_while_close_waits]),
                ("a folder in quotes", [self.folder_in_quotes])]

    # Helpers.

    def path(self, name):
        return windows_path(self.files[name])

    @property
    def main(self):
        return self.first.main

    def expect(self, paths):
        """The group the next drop of these Windows paths must make."""
        destination = paths[0][:paths[0].rfind(".")] + ".rar"
        self.expected += [[str(self.drop_count), "1", name_of(p), p, destination, ""]
                          for p in paths]
        self.drop_count += 1

    def check_rows(self, label):
        shown = wait_until(self.s.row_count, lambda n: n >= len(self.expected))
        self.driver.sync(self.main["hwnd"])
        rows = self.s.rows()
        self.report.check(label, rows == self.expected and shown == len(self.expected),
                          f"expected {self.expected}, got {rows}")

    def start_more(self, arguments=(), folder=None, wait=False, settings=None, program=None):
        """A further start; the first Velkin stays the one the session looks at."""
        velkin = self.s.start(folder=folder or self.folder, arguments=arguments, wait=wait,
                              settings=settings, program=program)
        self.s.velkin, self.s.main = self.first, self.first.main
        return velkin

    def ends_at_once(self, label, velkin):
        """The start ends by itself with exit code 0, without a window of its own (one would
        keep it running)."""
        began = time.monotonic()
        code = velkin.wait(STARTUP_TIMEOUT_MS / 1000)
        print(f"note: {label}: the second start ended after {time.monotonic() - began:.1f} s",
              flush=True)
        self.report.equal(f"{label}: the second start ends by itself with exit code 0", code, 0)

    def main_windows(self):
        return self.driver.windows(T.MAIN_CLASS)

    def copy_data(self, payload, tag=HAND_OFF_TAG, size=None, timeout_ms=60_000):
        args = ["--hwnd", self.main["hwnd"], "--tag", tag, "--hex", payload.hex()]
        if size is not None:
            args += ["--size", size]
        return self.driver.one("copy-data", *args, "--timeout-ms", timeout_ms,
                               timeout_ms=timeout_ms)["answer"]

    def run_held_group(self, label):
        """A list of one group, pasted, whose archive holds the run until the gate is set; the
        run is started and under way when this returns."""
        self.s.clear_list(label)
        self.expected, self.drop_count = [], 0
        self.driver.run("clipboard", self.path("hold.txt"))
        self.driver.keys("ctrl+v", hwnd=self.main["hwnd"])
        self.expect([self.path("hold.txt")])
        self.check_rows(f"{label}: group 0 pasted, its archive holds the run")
        self.s.start_confirmed(label)
        running = wait_until(lambda: (self.s.statuses(), self.s.enabled()),
                             lambda look: look == ([T.RUNNING], False))
        if running != ([T.RUNNING], False):
            raise DriverError(f"the run did not start: statuses and enabled {running}")

    # Scenarios, in order; each builds on the rows the ones before left.

    def start_with_paths(self):
        archiver = self.s.fault_archiver_copy(self.folder)
        missing = windows_path(os.path.join(self.japanese, "missing.txt"))
        # A relative path (against the start's current directory), a switch nobody knows and a
        # path that does not exist, among the paths.
        self.first = self.s.start(folder=self.folder, cwd=self.japanese, settings={
            "WinRARPath": windows_path(archiver), "MainX": 0, "MainY": 0, "MainW": 1200,
            "MainH": 700, "Column3": 400, "Column4": 400},
            arguments=[self.path("a b.txt"), "with blank.txt", "/unknown", self.path("한국.txt"),
                       self.path("😀.txt"), missing])
        self.expect([self.path("a b.txt"), self.path("with blank.txt"), self.path("한국.txt"),
                     self.path("😀.txt"), missing])
        self.check_rows("paths on the command line: one group 0, exact names and full paths "
                        "(blanks, Japanese, Korean, emoji, relative made full, a missing one as "
                        "given), the archive named after the first")
        self.report.equal("one main window", len(self.main_windows()), 1)

    def hand_off(self):
        label = "second start with paths"
        self.ends_at_once(label, self.start_more([self.path("表.txt"), self.path("c.txt")]))
        self.expect([self.path("表.txt"), self.path("c.txt")])
        self.check_rows(f"{label}: the open window holds them as group 1")
        self.report.equal(f"{label}: still one main window", len(self.main_windows()), 1)

    def foreground(self):
        return self.driver.focus(self.main["hwnd"])["foreground"]

    def other_folder(self):
        label = "a start with paths from another program folder"
        self.other = self.start_more([self.path("f.txt")],
                                     folder=os.path.join(self.s.work, "other"), wait=True,
                                     settings={"WinRARPath": "C:\\WinRAR\\WinRAR.exe"})
        hwnd = self.other.main["hwnd"]
        rows = wait_until(lambda: self.driver.list_view(hwnd)["rows"],
                          lambda shown: len(shown) == 1)
        self.report.equal(f"{label}: opens its own window with its own group 0", rows,
                          [["0", "1", "f.txt", self.path("f.txt"),
                            self.path("f.txt")[:-4] + ".rar", ""]])
        self.check_rows(f"{label}: the first window is unchanged")
        self.report.equal(f"{label}: its window is in front",
                          wait_until(self.foreground, lambda front: front == hwnd), hwnd)

    def hand_off_each(self):
        label = "second start with /EACH"
        self.ends_at_once(label, self.start_more(
            ["/EACH", self.path("d.txt"), "/other", self.path("e.txt"), self.path("한국.txt")]))
        for name in ("d.txt", "e.txt", "한국.txt"):
            self.expect([self.path(name)])
        self.check_rows(f"{label}: one group per path in the order given (2, 3, 4), each with "
                        "its own archive")
        self.report.equal(f"{label}: the window that took them comes to the front",
                          wait_until(self.foreground, lambda front: front == self.main["hwnd"]),
                          self.main["hwnd"])
        self.driver.close(self.other.main["hwnd"])
        self.report.equal("the window of the other folder, closed, ends with exit code 0",
                          self.other.wait(60), 0)

    def hand_off_short_form(self):
        label = "a second start through the 8.3 form of the program's path"
        program = self.driver.one("short-path", "--path", windows_path(self.first.exe))["short"]
        self.report.check(f"{label}: {program} is not the long form",
                          program.lower() != windows_path(self.first.exe).lower())
        self.ends_at_once(label, self.start_more([self.path("c.txt")], program=program))
        self.expect([self.path("c.txt")])
        self.check_rows(f"{label}: the open window holds the path as the next group")
        self.report.equal(f"{label}: still one main window", len(self.main_windows()), 1)

    def second_window(self):
        label = "a second start without paths"
        second = self.start_more(wait=True)
        windows = self.main_windows()
        self.report.equal(f"{label}: two main windows of two processes",
                          sorted(w["pid"] for w in windows),
                          sorted([self.main["pid"], second.main["pid"]]))
        self.report.equal(f"{label}: the new window's list is empty",
                          self.driver.row_count(second.main["hwnd"]), 0)
        self.driver.close(second.main["hwnd"])
        self.report.equal(f"{label}: closed, it ends with exit code 0", second.wait(60), 0)
        self.check_rows(f"{label}: the first window is unchanged")

    def paste(self):
        hwnd = self.main["hwnd"]
        self.driver.run("clipboard", self.path("f.txt"), self.path("表.txt"))
        self.driver.keys("ctrl+v", hwnd=hwnd)
        self.expect([self.path("f.txt"), self.path("表.txt")])
        self.check_rows("files on the clipboard, Ctrl+V: one group")
        self.driver.run("clipboard", self.path("g.txt"))
        self.driver.keys("shift+insert", hwnd=hwnd)
        self.expect([self.path("g.txt")])
        self.check_rows("files on the clipboard, Shift+Insert: one group")

        self.driver.run("clipboard", "--text", self.path("c.txt"))
        # Keys are handled in order, and what a key posts before those after it: once End has
        # selected the last row, Ctrl+V and whatever it set off are done.
        self.driver.keys("ctrl+v", "end", hwnd=hwnd)
        last = len(self.expected) - 1
        selected = wait_until(self.s.selected, lambda row: row == last)
        self.driver.sync(hwnd)
        self.report.equal("text on the clipboard, Ctrl+V: no row, no message",
                          (selected, self.s.row_count(), self.s.boxes()),
                          (last, len(self.expected), []))

    def malformed_clipboard(self):
        label = "a file list on the clipboard that points far past its own end, Ctrl+V"
        hwnd = self.main["hwnd"]
        self.driver.run("clipboard", "--list-at", 0x7FFFFFF0, self.path("c.txt"))
        # Keys are handled in order: once End has moved the selection from the first row to the
        # last, Ctrl+V and whatever it set off are done.
        self.driver.keys("home", hwnd=hwnd)
        wait_until(self.s.selected, lambda row: row == 0)
        self.driver.keys("ctrl+v", "end", hwnd=hwnd)
        last = len(self.expected) - 1
        selected = wait_until(self.s.selected, lambda row: row == last)
        self.report.check(f"{label}: Velkin is alive", self.first.running())
        self.report.equal(f"{label}: no row, no box", (selected, self.s.boxes()), (last, []))
        self.check_rows(f"{label}: the list is unchanged")

    def malformed_copy_data(self):
        good = hand_off_bytes([self.path("c.txt")])
        cases = [
            ("another program's message (other dwData)", good, 0x1234, None),
            ("a version of the future", hand_off_bytes([self.path("c.txt")], version=2),
             HAND_OFF_TAG, None),
            ("an unknown flag", hand_off_bytes([self.path("c.txt")], flags=2), HAND_OFF_TAG,
             None),
            ("an odd byte count", good + b"\0", HAND_OFF_TAG, None),
            ("no terminator", good[:-4], HAND_OFF_TAG, None),
            ("an empty list", hand_off_bytes([]), HAND_OFF_TAG, None),
            ("no bytes at all", b"", HAND_OFF_TAG, None),
            (f"{DELIVERED_HUGE // 1000 ** 2} MB", good, HAND_OFF_TAG, DELIVERED_HUGE),
        ]
        for label, payload, tag, size in cases:
            self.report.equal(f"WM_COPYDATA with {label}: refused", self.copy_data(payload, tag,
                                                                                     size), 0)
        try:
            # The sender gives up after a while: its answer does not matter, only what the
            # window does afterwards (the messages after it come after it).
            answer = self.copy_data(good, size=UNDELIVERABLE_HUGE, timeout_ms=10_000)
        except DriverError as error:
            answer = str(error)
        print(f"note: WM_COPYDATA with {UNDELIVERABLE_HUGE} bytes: {answer}", flush=True)
        self.report.check(f"WM_COPYDATA with {UNDELIVERABLE_HUGE >> 20} MiB: not taken",
                          answer != 1, f"answer {answer}")
        # Had any of them been queued, a posted command now comes after its intake.
        self.s.after_posted_commands()
        self.check_rows("after the malformed messages: no row added, the window answers")
        self.report.equal("a well-formed hand-off from the driver is taken",
                          self.copy_data(hand_off_bytes([self.path("c.txt")], flags=EACH_APART)),
                          1)
        self.expect([self.path("c.txt")])
        self.check_rows("the well-formed hand-off: one group with the next number")
        self.report.check("Velkin still running", self.first.running())

    def hand_off_during_run(self):
        label = "a hand-off while the archiver runs"
        self.run_held_group(label)
        self.ends_at_once(label, self.start_more(["/each", self.path("d.txt"),
                                                  self.path("表.txt")]))
        self.report.equal(f"{label}: taken, but the list waits for the run",
                          (self.s.statuses(), self.s.row_count()), ([T.RUNNING], 1))
        self.release_held_archiver()
        box = self.s.run_end_box(label)
        self.report.equal(f"{label}: still waiting while the run's closing box shows",
                          self.s.row_count(), 1)
        self.s.answer(box, T.OK)
        self.expected[0][T.STATUS] = T.DONE
        self.expect([self.path("d.txt")])
        self.expect([self.path("表.txt")])
        self.check_rows(f"{label}: after the run the two groups go in whole, numbered 1 and 2, "
                        "not run")

    def arrival_during_profile_edit(self):
        label = "a hand-off while the profile dialog is open"
        self.s.set_option(T.SAVE_PATH, True)
        self.s.invoke(T.PROFILE_MENU, T.EDIT_PROFILE)
        dialog = self.s.box(T.EDIT_CAPTION)
        self.ends_at_once(label, self.start_more([self.path("e.txt")]))
        # The hand-off's take-in was posted before the second start had its answer; posted
        # commands come after it.
        self.s.after_posted_commands()
        self.report.equal(f"{label}: nothing goes in and no save dialog opens over it",
                          ([b["caption"] for b in self.s.boxes()], self.s.row_count()),
                          ([T.EDIT_CAPTION], len(self.expected)))
        self.s.answer(dialog, T.CANCEL)
        save = self.s.box(T.SAVE_CAPTION)
        self.s.answer(save, T.CANCEL)
        self.s.set_option(T.SAVE_PATH, False)
        self.expect([self.path("e.txt")])
        self.check_rows(f"{label}: once it is closed, the save dialog asks and the drop goes in")

    def hand_off_while_close_waits(self):
        label = "a hand-off to a window whose close waits for the run"
        self.run_held_group(label)
        # As another program asks for the close (the close box does nothing while the window
        # is disabled).
        self.driver.one("post-close", "--hwnd", self.main["hwnd"])
        self.s.after_posted_commands()  # the close was posted before them
        second = self.start_more([self.path("c.txt")], wait=True)
        rows = wait_until(lambda: self.driver.list_view(second.main["hwnd"])["rows"],
                          lambda shown: len(shown) == 1)
        self.report.equal(f"{label}: refused, so the second start opens its own window with it",
                          (rows, second.main["pid"] != self.main["pid"]),
                          ([["0", "1", "c.txt", self.path("c.txt"),
                             self.path("c.txt")[:-4] + ".rar", ""]], True))
        self.release_held_archiver()
        self.driver.click(self.s.run_end_box(label)["hwnd"], T.OK)
        self.s.expect_exit(f"{label}: after the run the waiting close", self.first)
        self.driver.close(second.main["hwnd"])
        self.report.equal(f"{label}: the second window closes with exit code 0", second.wait(60), 0)

    def folder_in_quotes(self):
        label = "a folder in quotes with a final separator, as another shell passes it"
        folder = os.path.join(self.s.work, "files", "my photos")
        inside = [make_file(os.path.join(folder, name), name) for name in ("1.txt", "表 2.txt")]
        refused = windows_path(os.path.join(self.s.work, "files", "what?.txt"))
        # The quote that ends a folder swallows the arguments after it: the folder comes last.
        tail = f'{refused} "{windows_path(folder)}\\"'
        archiver = self.s.standin_copy(os.path.join(self.s.work, "quoted"))
        velkin = self.s.start("quoted", settings={"WinRARPath": windows_path(archiver),
                                                  "MainW": 1000, "Column3": 300, "Column4": 300},
            launcher=[self.s.args.start_shown, "--tail-hex", tail.encode("utf-16-le").hex(), "1"])
        box = self.s.box()
        self.report.equal(f"{label}: one box names the path no name can hold",
                          (box["caption"], box["texts"]), (T.TITLE, [f"{T.REFUSED_PATHS}\n{refused}"]))
        self.s.answer(box, T.OK)
        folder_path = windows_path(folder)
        rows = wait_until(self.s.rows, lambda shown: len(shown) == 1)
        self.report.equal(f"{label}: one row for the folder, its archive beside it", rows,
                          [["0", "1", "my photos", folder_path, folder_path + ".rar", ""]])
        self.s.start_confirmed(label)
        self.s.answer(self.s.run_end_box(label), T.OK)
        self.s.check_archive(label, folder + ".rar", [folder])
        self.report.check(f"{label}: no archive inside the folder",
                          not os.path.exists(os.path.join(folder, ".rar")))
        self.driver.close(self.s.main["hwnd"])
        self.s.expect_exit(label, velkin)


if __name__ == "__main__":
    sys.exit(run_suite("arrivals", __doc__.splitlines()[0], ArrivalsTest,
                       options=[("--fault-archiver", "velkin_fault_archiver.exe"),
                                ("--start-shown", "start_shown.exe")]))
