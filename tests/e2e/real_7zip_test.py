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

SEVEN_ZIP = r"C:\Program Files\7-Zip\7z.exe"


class RealSevenZipTest(Suite):
    def plans(self):
        return [("real 7-Zip", [self.names_outside_the_code_page])]

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


if __name__ == "__main__":
    sys.exit(run_suite("real_7zip", __doc__.splitlines()[0], RealSevenZipTest,
                       options=[("--seven-zip", "7-Zip's Linux 7zz, which reads the archives")]))
