#!/usr/bin/env python3
"""End-to-end test of Velkin's taskbar button during a compression run: the run's progress on
the button, its error state once a group failed, its clearing when the closing box appears, the
flash at the end of a run that finished behind another window, and a run without the taskbar.
A console archiver runs without a console window, so Velkin stays in front and comes to no flash;
a second start handing its paths over meanwhile makes the button flash rather than putting
Velkin's disabled window forward.

The taskbar is watched without a shell: taskbar_recorder.dll is registered in the session's Wine
prefix as the COM server of the taskbar list (CLSID_TaskbarList), so Velkin reaches it through
the real CoCreateInstance, and it logs every call. The registration is undone at the end. A flash
shows on the X side: Wine asks the window manager for _NET_WM_STATE_DEMANDS_ATTENTION, which the
session's wm_state records in the window's _NET_WM_STATE property, read here with xprop. The
user goes to another program by a click: wm_click gives notepad the focus as a window manager
does, from outside Wine.

The three groups of a run use the fault archiver: the second group's archive is named so that
it ends with exit code 2; the others succeed.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  taskbar_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
                  --fault-archiver velkin_fault_archiver.exe --recorder taskbar_recorder.dll
                  --console-archiver ConsoleArchiver.exe --start-shown start_shown.exe
                  --artifacts DIR --build DIR
"""

import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
import xdnd  # noqa: E402
from velkin_e2e import (RUN_LIMIT_S, DriverError, StandinLog, Suite,  # noqa: E402
                        make_file, run_suite, wait_until, windows_path)
from wine_registry import SavedKey, import_reg, reg_string  # noqa: E402

TASKBAR_LIST = "{56FDF344-FD6D-11d0-958A-006097C9A090}"
CLASS_KEY = "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + TASKBAR_LIST
# TBPF_NOPROGRESS, TBPF_NORMAL, TBPF_ERROR
NO_PROGRESS, NORMAL, ERROR = 0, 2, 4
ATTENTION = "_NET_WM_STATE_DEMANDS_ATTENTION"
# Long enough for several looks at the window and the log while each group runs; nothing is
# timed.
DELAY_MS = 2500
FAILED_STATUS = T.STATUS_AFTER_EXIT[2]


def progress(done, total=3):
    return ("value", done, total)


def state(value):
    return ("state", value)


def run_calls(reapplied_at=None):
    """What one run of three groups asks of the button, in order; reapplied_at: after which
    group's value the shell announced the button anew (the progress shown again)."""
    calls = [state(NORMAL), progress(0), progress(1), state(ERROR), progress(2)]
    if reapplied_at == 2:
        calls += [state(ERROR), progress(2)]
    return calls + [progress(3), state(NO_PROGRESS)]


def shown_until(calls, group):
    """The calls made before group `group` starts: up to the value of `group` groups done."""
    return calls[:calls.index(progress(group)) + 1]


def xprop(window_id, name):
    done = subprocess.run(["xprop", "-id", str(window_id), name], capture_output=True, text=True,
                          timeout=60, stdin=subprocess.DEVNULL)
    if done.returncode != 0:
        raise DriverError(f"xprop -id {window_id} {name}: {done.stderr.strip()}")
    return done.stdout.strip()


class TaskbarTest(Suite):
    def __init__(self, session):
        super().__init__(session)
        self.folder = os.path.join(self.work, "taskbar")
        self.dll = os.path.join(self.folder, "taskbar_recorder.dll")
        self.log_path = os.path.join(self.folder, "taskbar_recorder.log")
        self.paths = []
        self.read = 0  # log lines already judged

    def plans(self):
        return [
            ("progress", [self.register, self.three_groups, self.run_in_front,
                          self.run_behind]),
            ("no taskbar", [self.register, self.run_without_taskbar]),
            ("console archiver", [self.console_archiver]),
        ]

    # The recorder in the prefix, its log, and Velkin.

    def register(self):
        if os.path.exists(self.dll):
            return
        os.makedirs(self.folder, exist_ok=True)
        shutil.copy2(self.s.args.recorder, self.dll)
        saved = SavedKey(self.work, CLASS_KEY, "taskbar-list")
        self.s.at_cleanup(saved.restore)
        import_reg(self.work, "taskbar-list.reg",
                   [f"[-{CLASS_KEY}]", "", f"[{CLASS_KEY}\\InprocServer32]",
                    f"@={reg_string(windows_path(self.dll))}", '"ThreadingModel"="Apartment"'])

    def calls(self, pid):
        """[(call, values...)] this Velkin made of the recorder, in order; hwnd checked."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, "rb") as f:
            lines = [json.loads(line) for line in f.read().decode("utf-8").splitlines() if line]
        calls = []
        for line in lines:
            if line["pid"] != pid:
                continue
            if "hwnd" in line and line["hwnd"] != self.s.main["hwnd"]:
                calls.append(("other window", line["hwnd"]))
            elif line["call"] == "SetProgressValue":
                calls.append(progress(line["done"], line["total"]))
            elif line["call"] == "SetProgressState":
                calls.append(state(line["state"]))
            else:
                calls.append((line["call"],))
        return calls

    def new_calls(self):
        return self.calls(self.s.main["pid"])[self.read:]

    def launch(self, name, env=None):
        folder = os.path.join(self.work, name)
        archiver = self.s.fault_archiver_copy(os.path.join(folder, "archiver"))
        log = StandinLog(os.path.join(self.work, name + "-standin.jsonl"))
        environment = {"VELKIN_STANDIN_LOG": windows_path(log.path),
                       "VELKIN_STANDIN_DELAY_MS": str(DELAY_MS)}
        environment.update(env or {})
        self.s.start(folder=folder, env=environment,
                     settings={"MainX": 40, "MainY": 40, "MainW": 900, "MainH": 400,
                               "WinRARPath": windows_path(archiver), "ClearEnd": 0})
        self.read = 0
        data = os.path.join(self.work, "data")
        self.paths = [make_file(os.path.join(data, "one", "a.txt"), "a\n"),
                      make_file(os.path.join(data, "two", "exit2b.txt"), "b\n"),
                      make_file(os.path.join(data, "three", "c.txt"), "c\n")]
        for count, path in enumerate(self.paths, start=1):
            self.s.drop([path], rows=count)
        self.report.equal(f"{name}: three groups of one row",
                          [r[T.NUMBER] for r in self.s.rows()], ["0", "1", "2"])

    def running_group(self):
        statuses = self.s.statuses()
        return statuses.index(T.RUNNING) if T.RUNNING in statuses else None

    def watch(self, label, expected, on_group=None):
        """Looks at the log while each group runs until the closing box shows; returns the box.
        A look counts only when the same group still runs after the log was read, so that it
        shows what the button held while that group ran. on_group(g) runs once per group,
        after its look."""
        looked = set()
        deadline = time.monotonic() + RUN_LIMIT_S
        while time.monotonic() < deadline:
            if self.s.boxes():
                box = self.s.box()
                if box["caption"] != T.CLEAR_BY_HAND_CAPTION:
                    raise DriverError(f"{label}: unexpected box {box['caption']!r}")
                self.report.equal(f"{label}: every group was seen running", sorted(looked),
                                  [0, 1, 2])
                return box
            group = self.running_group()
            if group is not None and group not in looked:
                calls = self.new_calls()
                if self.running_group() == group:
                    looked.add(group)
                    self.report.equal(f"{label}: while group {group} runs the button shows "
                                      f"{group} of 3" + (", in error" if group == 2 else ""),
                                      calls, shown_until(expected, group))
                    if on_group:
                        on_group(group)
            time.sleep(0.1)
        raise DriverError(f"{label}: the run did not end within {RUN_LIMIT_S} s")

    def x_window(self, hwnd):
        return self.driver.one("x11-window", "--hwnd", hwnd)["x11_window"]

    def click(self, hwnd):
        """Gives the window the X input focus as a window manager does on a click: from
        outside Wine, which then activates the window inside its own process."""
        program = xdnd.host_program(self.args.build, "wm_click",
                                    [Path(__file__).resolve().parent / "wm_click.c"])
        done = subprocess.run([str(program), str(self.x_window(hwnd))], capture_output=True,
                              text=True, timeout=60, stdin=subprocess.DEVNULL)
        if done.returncode != 0:
            raise DriverError(f"wm_click: {done.stderr.strip()}")

    def attention(self):
        return ATTENTION in xprop(self.x_window(self.s.main["hwnd"]), "_NET_WM_STATE")

    def settled(self, box):
        """Returns once the session's wm_state has seen the box mapped. Velkin's request for
        attention, if it made one, went out on the same X connection before the box's map, and
        wm_state handles both in that order: afterwards the attention state is final."""
        window = self.x_window(box["hwnd"])
        shown = wait_until(lambda: xprop(window, "WM_STATE"), lambda text: "Normal" in text)
        if "Normal" not in shown:
            raise DriverError(f"the closing box's X window never got WM_STATE: {shown}")

    def check_statuses(self, label):
        self.report.equal(f"{label}: statuses after the run", self.s.statuses(),
                          [T.DONE, FAILED_STATUS, T.DONE])

    # The scenarios.

    def three_groups(self):
        self.launch("progress")

    def run_in_front(self):
        label = "run in front"
        pid = self.s.main["pid"]
        expected = [("CreateInstance",), ("HrInit",)] + run_calls()
        self.s.start_confirmed(label)
        box = self.watch(label, expected)
        self.check_statuses(label)
        calls = self.calls(pid)
        self.report.equal(f"{label}: the taskbar list is made at the run's start and shows 0 to "
                          "3 of 3, the error from the failed second group on, and is cleared "
                          "when the closing box shows", calls, expected)
        self.settled(box)
        foreground = self.driver.focus(self.s.main["hwnd"])["foreground"]
        self.report.check(f"{label}: Velkin is in the foreground at the end",
                          foreground in (self.s.main["hwnd"], box["hwnd"]),
                          f"foreground {foreground}")
        self.report.check(f"{label}: no flash (no {ATTENTION})", not self.attention())
        self.s.answer(box, T.OK)
        self.read = len(calls)

    def run_behind(self):
        label = "run behind another window"
        other = subprocess.Popen(["wine", "notepad"], stdin=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.s.at_cleanup(other.kill)
        notepad = self.driver.window(class_name="Notepad")
        self.driver.one("activate", "--hwnd", self.s.main["hwnd"])
        expected = run_calls(reapplied_at=2)
        self.s.start_confirmed(label)

        def on_group(group):
            if group == 0:
                self.click(notepad["hwnd"])
                self.report.equal(
                    f"{label}: a click puts another window in front while group 0 runs",
                    wait_until(lambda: self.driver.focus(notepad["hwnd"])["foreground"],
                               lambda front: front == notepad["hwnd"]), notepad["hwnd"])
            elif group == 2:
                # As the shell does when it makes the button anew (after it was restarted).
                self.driver.one("send-registered", "--hwnd", self.s.main["hwnd"],
                                "--name", "TaskbarButtonCreated")
                self.report.equal(f"{label}: a button made anew shows the progress again",
                                  self.new_calls(), shown_until(expected, 2) + expected[5:7])

        box = self.watch(label, expected, on_group)
        self.check_statuses(label)
        self.report.equal(f"{label}: the same taskbar list again, 0 to 3 of 3, cleared at the "
                          "closing box", self.new_calls(), expected)
        self.settled(box)
        self.report.check(f"{label}: the button flashes ({ATTENTION})", self.attention())
        self.s.answer(box, T.OK)
        self.driver.one("activate", "--hwnd", self.s.main["hwnd"])
        self.report.check(f"{label}: the flash ends when Velkin comes to the front",
                          not wait_until(self.attention, lambda on: not on))

    def run_without_taskbar(self):
        label = "no taskbar"
        self.launch("refused", env={"VELKIN_TASKBAR_REFUSE": "1", "VELKIN_STANDIN_DELAY_MS": "0"})
        self.s.start_confirmed(label)
        box = self.s.run_end_box(label)
        self.check_statuses(label)
        self.report.equal(f"{label}: the taskbar list was asked for and refused; nothing else "
                          "was asked", self.calls(self.s.main["pid"]), [("Refused",)])
        self.s.answer(box, T.OK)
        self.report.check(f"{label}: the main window is enabled after the run", self.s.enabled())

    def console_archiver(self):
        label = "a console archiver, hidden behind Velkin"
        folder = os.path.join(self.work, "console")
        archiver = os.path.join(folder, "ConsoleArchiver.exe")
        os.makedirs(folder)
        shutil.copy2(self.s.args.console_archiver, archiver)
        gate = os.path.join(self.work, "console-gate")
        # Started as the shell starts it, without a console of its own: a console archiver
        # started from it would open a console window unless told otherwise.
        first = self.s.start(folder=folder, env={"VELKIN_STANDIN_WAIT_FOR": windows_path(gate)},
                             settings={"MainX": 40, "MainY": 40,
                                       "WinRARPath": windows_path(archiver)},
                             launcher=[self.s.args.start_shown, "--detached", "1"])
        paths = [make_file(os.path.join(self.work, "data", "console", name), name)
                 for name in ("a.txt", "b.txt")]
        self.s.drop(paths[:1], rows=1)
        for run in ("", ", a second start handing its path over meanwhile"):
            self.driver.one("activate", "--hwnd", self.s.main["hwnd"])
            self.s.start_confirmed(label + run)
            if run:
                second = self.s.start(folder=folder, arguments=[windows_path(paths[1])],
                                      wait=False)
                self.report.equal(f"{label}{run}: the second start ends", second.wait(120), 0)
                self.s.velkin, self.s.main = first, first.main
                self.report.equal(f"{label}{run}: Velkin's button flashes",
                                  wait_until(self.attention, lambda on: on), True)
                # The archiver has long been running: a console of its own would show by now.
                self.report.equal(f"{label}{run}: no console window",
                                  self.driver.windows(class_name="WineConsoleClass"), [])
            make_file(gate)
            box = self.s.run_end_box(label + run)
            self.settled(box)
            foreground = self.driver.focus(self.s.main["hwnd"])["foreground"]
            self.report.check(f"{label}{run}: Velkin is in front at the end",
                              foreground in (self.s.main["hwnd"], box["hwnd"]),
                              f"foreground {foreground}")
            if not run:
                self.report.check(f"{label}{run}: no request for attention (no {ATTENTION})",
                                  not self.attention())
            self.s.answer(box, T.OK)
            os.remove(gate)  # the next run's archiver waits for it again
        self.report.equal(f"{label}: the handed-over path went in after the run",
                          wait_until(self.s.row_count, lambda n: n == 2), 2)


if __name__ == "__main__":
    sys.exit(run_suite("taskbar", __doc__.splitlines()[0], TaskbarTest,
                       options=[("--fault-archiver", "velkin_fault_archiver.exe"),
                                ("--recorder", "taskbar_recorder.dll"),
                                ("--console-archiver", "ConsoleArchiver.exe"),
                                ("--start-shown", "start_shown.exe")]))
