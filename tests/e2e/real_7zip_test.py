#!/usr/bin/env python3
"""End-to-end test against the real 7-Zip: Velkin.exe with 7-Zip's own 7z.exe, installed in the
session's Wine prefix by scripts/real-7zip.sh, and the archives it made tested and listed by the
same 7-Zip's Linux build (7zz).

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  real_7zip_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
                    --artifacts DIR --build DIR --seven-zip 7zz
"""

import hashlib
import os
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import Suite, make_file, run_suite  # noqa: E402
from driver_client import RUN_LIMIT_S  # noqa: E402
from velkin_world import wait_until, windows_path  # noqa: E402

SEVEN_ZIP = r"C:\Program Files\7-Zip\7z.exe"


# A file this large keeps 7-Zip's progress going long enough to be watched and stopped.
LARGE_BYTES = 50 * 1024 * 1024


class RealSevenZipTest(Suite):
    def plans(self):
        return [("real 7-Zip", [self.names_and_a_large_file]),
                ("stop", [self.stop_the_large_group]),
                ("the log", [self.warning_in_the_log])]

    def seven_zip(self, *arguments):
        return subprocess.run([self.args.seven_zip, *arguments], capture_output=True, text=True)

    def names_in(self, archive):
        """The names 7-Zip keeps in the archive, in its order, folders included."""
        listed = self.seven_zip("l", "-slt", "-ba", archive)
        return [line[len("Path = "):] for line in listed.stdout.splitlines()
                if line.startswith("Path = ")]

    def start_with_7z(self, folder, **settings):
        """A fresh settings file naming 7z.exe: the 7-Zip default profiles, unless told."""
        self.s.start(folder=folder, settings={"WinRARPath": SEVEN_ZIP, "RAROptionSelect": 1,
                                              "SavePath": 0, "ClearEnd": 0, **settings})

    def large_file(self, path, size=LARGE_BYTES):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(os.urandom(size))
        return path

    def progress_of(self, group):
        """The progress window once it shows the group, and the bar positions read until two of
        them lay between 1 and 99."""
        window = self.driver.window(class_name=T.PROGRESS_CLASS, pid=self.s.main["pid"])
        seen = set()

        def read():
            shown = self.driver.one("inspect", "--hwnd", window["hwnd"])["children"]
            texts = [child["text"] for child in shown]
            if group in texts:
                seen.update(child["position"] for child in shown if "position" in child)
            return sorted(p for p in seen if 1 <= p <= 99)
        return window, wait_until(read, lambda values: len(values) >= 2, timeout_s=RUN_LIMIT_S)

    def names_and_a_large_file(self):
        label = "the real 7z.exe, names outside Shift-JIS and a large file"
        self.start_with_7z(os.path.join(self.work, "program"))
        data = os.path.join(self.work, "data")
        names = ["日本語 メモ.txt", "한국어.txt", "😀 smile.txt", "blank name.txt"]
        first = [make_file(os.path.join(data, name), name * 100) for name in names]
        inner = make_file(os.path.join(data, "写真", "旅行 2024.jpg"), bytes(range(256)) * 64)
        large = self.large_file(os.path.join(data, "大きい.bin"))
        self.s.drop(first, rows=4)
        self.s.drop([os.path.dirname(inner), large], rows=6)
        self.s.start_confirmed(label)
        window, values = self.progress_of("グループ 2 / 2")
        self.report.check(f"{label}: the bar takes two values between 1 and 99", len(values) >= 2,
                          f"values {values}")
        self.report.equal(f"{label}: no console window while 7-Zip works",
                          self.driver.windows(class_name=T.CONSOLE_CLASS), [])
        box = self.s.run_end_box(label)
        self.report.equal(f"{label}: the progress window is gone at the end",
                          self.driver.windows(class_name=T.PROGRESS_CLASS), [])
        self.report.equal(f"{label}: statuses", self.s.statuses(), [T.DONE] * 6)
        self.s.answer(box, T.OK)
        archives = [os.path.join(data, "日本語 メモ.7z"), os.path.join(data, "写真.7z")]
        for archive in archives:
            tested = self.seven_zip("t", archive)
            self.report.equal(f"{label}: 7z t {os.path.basename(archive)}", tested.returncode, 0)
        self.report.equal(f"{label}: 7z l lists exactly the names dropped",
                          [sorted(self.names_in(a)) for a in archives],
                          [sorted(names), ["写真", "写真/旅行 2024.jpg", "大きい.bin"]])

    def stop_the_large_group(self):
        label = "中止 in the large group, then No"
        # One thread and three times the bytes: the group outlasts the 5 s Velkin gives a stopped
        # archiver before it ends it.
        self.start_with_7z(os.path.join(self.work, "stop-program"),
                           RAROption1="-t7z -mx=9 -mmt=1")
        data = os.path.join(self.work, "stop-data")
        large = self.large_file(os.path.join(data, "大きい.bin"), 3 * LARGE_BYTES)
        with open(large, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        other = make_file(os.path.join(data, "other", "残る.txt"), "残る")
        self.s.drop([large], rows=1)
        self.s.drop([other], rows=2)
        self.s.start_confirmed(label)
        window, _ = self.progress_of("グループ 1 / 2")
        self.driver.keys("esc", hwnd=window["hwnd"])
        # The question comes once the archiver has ended: Wine gives no console control event,
        # so this is Velkin ending it 5 s after asking.
        box = self.s.box(T.TITLE, timeout_ms=10_000)
        self.report.equal(f"{label}: 7-Zip ended within 10 s and Velkin asks whether to go on",
                          box["texts"], [T.go_on_question(1)])
        self.s.answer(box, T.NO)
        with open(large, "rb") as f:
            unchanged = hashlib.sha256(f.read()).hexdigest() == digest
        self.report.equal(f"{label}: the half-written archive is gone, the source unchanged",
                          (sorted(os.listdir(data)), unchanged), (["other", "大きい.bin"], True))
        self.report.equal(f"{label}: the stopped group says so and the other group stays",
                          [(row[T.NAME], row[T.STATUS]) for row in self.s.rows()],
                          [("大きい.bin", T.STATUS_AFTER_EXIT[255]), ("残る.txt", "")])
        self.report.equal(f"{label}: the progress window is gone",
                          self.driver.windows(class_name=T.PROGRESS_CLASS), [])

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
        self.start_with_7z(folder)
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
