#!/usr/bin/env python3
"""The whole job once, the way a user does it, in the demo folder on a private X display
(run.sh starts this when there is no display): sample files and folders, two drops onto
Velkin, Start, Yes, the closing box, a screenshot of the statuses, File > Exit, then where the
archives are and what each holds, as 7-Zip tests and lists them (`7z t`, `7z l`).

Every step waits for what it causes, with deadlines meant for a fresh Wine prefix on a busy
machine; a step that fails stops the demo with one line that says what did not happen.

Usage (under scripts/with-wine-session.sh):
  run_demo.py --demo DIR --driver velkin_driver.exe --screenshot FILE --build DIR --seven-zip 7zz
"""

import argparse
import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

import velkin_texts as T  # noqa: E402
from velkin_e2e import (RUN_LIMIT_S, UI_TIMEOUT_MS, Report, Session,  # noqa: E402
                        make_file, screenshot, wait_until)

# Wide enough that the screenshot shows every column, the statuses included.
WINDOW = (0, 0, 1270, 520)
COLUMNS = [50, 80, 220, 380, 330, 120]


class Stop(Exception):
    """A step did not happen; the message says which."""


def samples(folder):
    """Sample files and folders, made afresh; returns the two drops and their archives."""
    shutil.rmtree(folder, ignore_errors=True)
    report = make_file(os.path.join(folder, "報告書.txt"), "第 1 四半期の報告\n")
    notes = make_file(os.path.join(folder, "meeting notes.txt"), "Agenda: the release\n")
    photos = os.path.join(folder, "写真")
    make_file(os.path.join(photos, "旅行 2024.jpg"), b"\xff\xd8\xff\xe0" + bytes(4000))
    make_file(os.path.join(photos, "sub folder", "list.txt"), "one\ntwo\n")
    data = make_file(os.path.join(folder, "data.csv"), "name,count\napple,3\n")
    return [([report, notes], os.path.join(folder, "報告書.7z")),
            ([photos, data], os.path.join(folder, "写真.7z"))]


class Demo:
    def __init__(self, session, args):
        self.s = session
        self.args = args

    def step(self, what, action):
        """Runs one step; anything that goes wrong in it stops the demo naming the step."""
        print(f"- {what}", flush=True)
        try:
            return action()
        except Stop:
            raise
        except Exception as error:  # noqa: BLE001 - any failure is told the same way
            raise Stop(f"{what}: did not happen ({type(error).__name__}: {error})") from error

    def expect(self, what, read, accept, timeout_s):
        value = wait_until(read, accept, timeout_s=timeout_s)
        if not accept(value):
            raise Stop(f"{what} (last seen: {value!r})")
        return value

    def run(self):
        s = self.s
        folder = self.args.demo
        drops = self.step("make sample files (one Japanese name, one with a blank)",
                          lambda: samples(os.path.join(folder, "samples")))
        velkin = self.step("start Velkin in the demo folder", lambda: s.start(folder=folder))
        if velkin.prompt_seen:
            raise Stop("Velkin asked for the archiver although Velkin.ini names 7z.exe")
        self.step("make the window wide enough to show every column", self.widen)
        self.step("switch off the options that change the end of a run", self.plain_options)
        if s.row_count() != 0:
            raise Stop("the list did not start empty")
        count = 0
        for number, (paths, _) in enumerate(drops, start=1):
            count += len(paths)
            names = ", ".join(os.path.basename(p) for p in paths)
            self.step(f"drop {number}: {names}",
                      lambda number=number, paths=paths, count=count:
                      self.drop(number, paths, count))
        self.step("choose 圧縮開始 (Start) and answer はい (Yes)", self.start)
        box = self.step("wait for the run's closing box", lambda: s.run_end_box("the run"))
        statuses = s.statuses()
        if statuses != [T.DONE] * count:
            raise Stop(f"the statuses did not all read {T.DONE}: {statuses}")
        self.step("close the box with OK", lambda: s.answer(box, T.OK))
        self.step("save a screenshot of the statuses", self.picture)
        self.step("close Velkin (File > Exit)", self.exit)
        self.step("test and list the archives with 7-Zip", lambda: self.archives(drops))

    def widen(self):
        s = self.s
        s.driver.one("move", "--hwnd", s.main["hwnd"], "--rect", ",".join(map(str, WINDOW)))
        for column, width in enumerate(COLUMNS):
            s.driver.one("set-column-width", "--hwnd", s.main["hwnd"], "--column", column,
                         "--width", width)
        self.check_place()

    def drop(self, number, paths, count):
        self.s.drop(paths)
        self.expect(f"drop {number} did not show as {len(paths)} new rows", self.s.row_count,
                    lambda rows: rows == count, UI_TIMEOUT_MS / 1000)

    def plain_options(self):
        for option in (T.SAVE_PATH, T.CLEAR_END):
            if self.s.checked(option):
                self.s.invoke(T.OPTION_MENU, option)
                self.expect(f"{option} did not go off", lambda option=option:
                            self.s.checked(option), lambda on: not on, UI_TIMEOUT_MS / 1000)

    def start(self):
        s = self.s
        s.invoke(T.OPTION_MENU, T.START)
        box = s.box(T.CONFIRM)
        if box["texts"][-1:] != [T.START_QUESTION]:
            raise Stop(f"Start asked something else: {box['texts']}")
        s.driver.click(box["hwnd"], T.YES)
        s.driver.wait_gone(box["hwnd"])

    def picture(self):
        self.check_place()
        if not screenshot(self.args.screenshot):
            raise Stop("the screenshot is empty")

    def check_place(self):
        left, top, width, height = WINDOW
        place = [left, top, left + width, top + height]
        shown = self.s.main_now()["rect"]
        if shown != place:
            raise Stop(f"the window is at {shown}, not at {place}")
        widths = self.s.column_widths()
        if widths != COLUMNS:
            raise Stop(f"the columns are {widths} wide, not {COLUMNS}")

    def exit(self):
        s = self.s
        s.invoke(T.FILE_MENU, T.EXIT)
        ended = s.driver.wait_exit(s.main["pid"], timeout_ms=RUN_LIMIT_S * 1000)
        if ended["exit_code"] != 0:
            raise Stop(f"Velkin ended with exit code {ended['exit_code']}")
        s.velkin.wait(60)

    def archives(self, drops):
        self.listing = []
        for paths, archive in drops:
            if not os.path.isfile(archive):
                raise Stop(f"no archive at {archive}")
            tested = subprocess.run([self.args.seven_zip, "t", archive], capture_output=True,
                                    text=True)
            if tested.returncode != 0:
                raise Stop(f"7z t {archive} failed: {tested.stdout.strip()[-300:]}")
            listed = subprocess.run([self.args.seven_zip, "l", archive], capture_output=True,
                                    text=True, check=True)
            self.listing.append((archive, listed.stdout))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--demo", required=True, help="the demo folder (Velkin.exe in it)")
    parser.add_argument("--driver", required=True, help="velkin_driver.exe")
    parser.add_argument("--screenshot", required=True, help="where the screenshot goes")
    parser.add_argument("--build", required=True, help="folder for the compiled drag source")
    parser.add_argument("--seven-zip", required=True, help="7-Zip's 7zz, which reads the archives")
    options = parser.parse_args()
    # The session's own parts: the program in the demo folder, nothing else to test with.
    options.velkin = os.path.join(options.demo, "Velkin.exe")
    options.standin = None  # the demo's archiver is the real 7-Zip
    options.artifacts = os.path.dirname(os.path.abspath(options.screenshot))
    options.verbose = False

    session = Session("demo", options, Report())
    demo = Demo(session, options)
    try:
        demo.run()
    except Stop as stop:
        print(f"The demo stopped: {stop}", flush=True)
        return 1
    finally:
        session.cleanup()
    print(f"Screenshot of the statuses: {options.screenshot}")
    print("Archives, each tested (7z t) and listed (7z l) by 7-Zip:")
    for archive, listing in demo.listing:
        print(f"  {archive}")
        # 7z l's table, without its banner and the archive's properties above the table
        table = listing[listing.find("   Date"):] if "   Date" in listing else listing
        for line in table.rstrip().splitlines():
            print(f"      {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
