#!/usr/bin/env python3
"""End-to-end test against the real 7-Zip: Velkin.exe with 7-Zip's own 7z.exe, installed in the
session's Wine prefix by scripts/real-7zip.sh, and the archives it made tested and listed by the
same 7-Zip's Linux build (7zz).

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  real_7zip_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
                    --artifacts DIR --build DIR --seven-zip 7zz
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import Suite, make_file, run_suite  # noqa: E402
from velkin_world import windows_path  # noqa: E402

SEVEN_ZIP = r"C:\Program Files\7-Zip\7z.exe"


class RealSevenZipTest(Suite):
    def plans(self):
        return [("real 7-Zip", [self.names_outside_the_code_page]),
                ("the log", [self.warning_in_the_log])]

    def seven_zip(self, *arguments):
        return subprocess.run([self.args.seven_zip, *arguments], capture_output=True, text=True)

    def names_in(self, archive):
        """The names 7-Zip keeps in the archive, in its order, folders included."""
        listed = self.seven_zip("l", "-slt", "-ba", archive)
        return [line[len("Path = "):] for line in listed.stdout.splitlines()
                if line.startswith("Path = ")]

    def names_outside_the_code_page(self):
        label = "the real 7z.exe, names outside Shift-JIS"
        folder = os.path.join(self.work, "program")
        self.s.start(folder=folder, settings={"WinRARPath": SEVEN_ZIP, "RAROptionSelect": 1,
                                                      "SavePath": 0, "ClearEnd": 0})
        data = os.path.join(self.work, "data")
        names = ["日本語 メモ.txt", "한국어.txt", "😀 smile.txt", "blank name.txt"]
        first = [make_file(os.path.join(data, name), name * 100) for name in names]
        inner = make_file(os.path.join(data, "写真", "旅行 2024.jpg"), bytes(range(256)) * 64)
        second = [os.path.dirname(inner)]
        self.s.drop(first, rows=4)
        self.s.drop(second, rows=5)
        self.s.start_confirmed(label)
        box = self.s.run_end_box(label)
        self.report.equal(f"{label}: statuses", self.s.statuses(), [T.DONE] * 5)
        self.s.answer(box, T.OK)
        archives = [os.path.join(data, "日本語 メモ.7z"), os.path.join(data, "写真.7z")]
        for archive in archives:
            tested = self.seven_zip("t", archive)
            self.report.equal(f"{label}: 7z t {os.path.basename(archive)}", tested.returncode, 0)
        self.report.equal(f"{label}: 7z l lists exactly the names dropped",
                          [sorted(self.names_in(a)) for a in archives],
                          [sorted(names), ["写真", "写真/旅行 2024.jpg"]])

    def log_command_grayed(self, row):
        """Whether the log command is grayed in the 編集 menu, opened with the row selected."""
        self.driver.one("select-row", "--hwnd", self.s.main["hwnd"], "--row", row)
        self.s.keyboard_menu(T.EDIT_MENU)
        grayed = [item["grayed"] for item in self.s.top_menu(T.EDIT_MENU)["items"]
                  if item["caption"] == T.SHOW_LOG]
        self.s.choose_in_open_menu("esc", "esc")
        return grayed

    def warning_in_the_log(self):
        label = "a file gone before Start"
        folder = os.path.join(self.work, "log-program")
        self.s.start(folder=folder, settings={"WinRARPath": SEVEN_ZIP, "RAROptionSelect": 1,
                                                      "SavePath": 0, "ClearEnd": 0})
        data = os.path.join(self.work, "log-data")
        kept, gone = [make_file(os.path.join(data, name), name)
                      for name in ("残る.txt", "消えた 書類.txt")]
        self.s.drop([kept, gone], rows=2)
        self.report.equal(f"{label}: before the run the log command is grayed",
                          self.log_command_grayed(1), [True])
        os.remove(gone)
        self.s.start_confirmed(label)
        box = self.s.run_end_box(label)
        self.report.equal(f"{label}: the status of exit code 1", self.s.statuses(),
                          [T.SEVEN_ZIP_STATUS_AFTER_EXIT[1]] * 2)
        self.s.answer(box, T.OK)
        self.report.equal(f"{label}: after the run the log command is at hand",
                          self.log_command_grayed(1), [False])
        self.s.invoke(T.EDIT_MENU, T.SHOW_LOG)
        log = self.driver.window(class_name=T.LOG_CLASS, pid=self.s.main["pid"])
        edits = [child["text"] for child in self.driver.one("inspect", "--hwnd", log["hwnd"])
                 ["children"] if child["class"].upper() == "EDIT"]
        lines = edits[0].split("\r\n") if edits else []
        self.report.check(f"{label}: the log names the command line, the exit code and 7-Zip's "
                          "warning with the file's exact name",
                          any(line.startswith("コマンドライン: ") and SEVEN_ZIP in line
                              for line in lines) and "終了コード: 1" in lines
                          and any(line.startswith("WARNING: ") for line in lines)
                          and windows_path(gone) in lines, "\n".join(lines))
        self.driver.keys("esc", hwnd=log["hwnd"])
        self.driver.wait_gone(log["hwnd"])


if __name__ == "__main__":
    sys.exit(run_suite("real_7zip", __doc__.splitlines()[0], RealSevenZipTest,
                       options=[("--seven-zip", "7-Zip's Linux 7zz, which reads the archives")]))
