"""The end-to-end harness: the real Velkin.exe under Wine, driven from outside its process.

A suite holds only its scenarios. It subclasses Suite, which gives it the Session (the driver,
the Velkins it started, their windows, list, menu and boxes, the drops, the stand-in's log), and
hands its plans to run_suite, the one runner: it runs the plans, judges every check, and on a
failure takes a screenshot and a dump of the windows, the list and the menu, skips the rest of
that plan (its scenarios build on each other) and ends whatever the plan left running.

Everything that touches Velkin goes through velkin_driver.exe in its serve mode
(driver_client.py); what the suites start and read besides is in velkin_world.py. Both are
imported from here.

Every step waits for the state it causes (a window, a check mark, a row count, a box, a status,
a process exit) with deadlines generous enough for a busy machine, and an action is never sent
twice: a late first attempt would then act twice. Only the Python standard library is used.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
import xdnd  # noqa: E402
from driver_client import (RUN_LIMIT_S, STARTUP_TIMEOUT_MS, UI_TIMEOUT_MS,  # noqa: E402,F401
                           Driver, DriverError, WineEndedStart)
from velkin_world import (StandinLog, Velkin, archive_entries, command_as_read,  # noqa: E402,F401
                          command_expected, expected_entries, icon_colours, list_as_read,
                          list_expected, make_file, outer_rect, plain_caption, screen_size,
                          screenshot, settings_file_bytes, wait_until, windows_path)


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print(f"PASS {name}", flush=True)
        else:
            self.failed += 1
            print(f"FAIL {name}" + (f": {detail}" if detail else ""), flush=True)
        return ok

    def equal(self, name, actual, expected):
        return self.check(name, actual == expected, f"expected {expected!r}, got {actual!r}")

    def summary(self):
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        return 0 if self.failed == 0 and self.passed > 0 else 1


class Session:
    """One suite's world: the driver, the Velkins it started (the current one's main window in
    `main`), a private work folder, and what acting on and looking at Velkin takes."""

    def __init__(self, name, args, report):
        self.name = name
        self.args = args
        self.report = report
        self.driver = Driver(args.driver, args.verbose)
        self.helpers = []  # further drivers, for commands that run beside the first
        self.work = tempfile.mkdtemp(prefix=f"velkin-{name}-")
        self.velkins = []
        self.velkin = None
        self.main = None
        self._menu_ids = {}
        self._cleanups = []

    # Starting and ending Velkin.

    def start(self, name=None, settings=None, settings_bytes=None, env=None, folder=None,
              cwd=None, arguments=(), launcher=(), wait=True, program=None):
        """Velkin from a program folder of its own (`name` inside the work folder, or an
        existing `folder` for a restart). With wait, returns once the main window shows; a
        question for the WinRAR location on the way is answered with Cancel, as a user
        without WinRAR would (velkin.prompt_seen tells)."""
        if folder is None:
            folder = (os.path.join(self.work, name) if name
                      else tempfile.mkdtemp(prefix="velkin-", dir=self.work))
        for attempt in (1, 2):
            self.velkin = Velkin(self.args.velkin, folder, settings, settings_bytes, env, cwd,
                                 arguments, launcher, program)
            self.velkins.append(self.velkin)
            self.main = None
            if not wait:
                return self.velkin
            try:
                self.wait_for_main_window(self.velkin)
                return self.velkin
            except WineEndedStart as error:
                if attempt == 2:
                    raise
                print(f"note: {error}; starting it again", flush=True)

    def wait_for_main_window(self, velkin, timeout_ms=STARTUP_TIMEOUT_MS):
        deadline = time.monotonic() + timeout_ms / 1000
        while True:
            shown = self.driver.windows()
            mains = [w for w in shown if w["class"] == T.MAIN_CLASS
                     and all(w["pid"] != other.main["pid"] for other in self.velkins
                             if other is not velkin and other.main and other.running())]
            if mains:
                velkin.main = mains[0]
                if velkin is self.velkin:
                    self.main = mains[0]
                return mains[0]
            prompts = [w for w in shown if w["caption"] == T.ARCHIVER_PROMPT]
            if prompts:
                velkin.prompt_seen = True
                self.driver.close(prompts[0]["hwnd"])
                self.driver.wait_gone(prompts[0]["hwnd"])
                continue
            if not velkin.running():
                said = (f"Velkin ended at start-up with {velkin.process.returncode}; the end "
                        "of its Wine output: " + " | ".join(velkin.output_tail()))
                # Velkin ends with 0 whatever happens, and a crash with the code of its
                # exception; 1 is Wine ending a process whose start it failed, as it now and
                # then does. Before its first window Velkin has changed nothing, so it is
                # started again.
                if velkin.process.returncode == 1 and not velkin.prompt_seen and \
                        not velkin.launcher:
                    raise WineEndedStart(said)
                raise DriverError(said)
            if time.monotonic() >= deadline:
                raise DriverError(f"no {T.MAIN_CLASS} window within {timeout_ms} ms; visible: "
                                  + ", ".join(f"{w['class']} {w['caption']!r}" for w in shown))
            time.sleep(0.2)

    def expect_exit(self, label, velkin=None, timeout_ms=STARTUP_TIMEOUT_MS):
        """The process ends with exit code 0, and so does the wine launcher."""
        velkin = velkin or self.velkin
        ended = self.driver.wait_exit(velkin.pid, timeout_ms=timeout_ms)
        self.report.equal(f"{label}: Velkin ends with exit code 0", ended["exit_code"], 0)
        self.report.equal(f"{label}: the wine launcher returns exit code 0", velkin.wait(60), 0)

    def end_velkins(self, why):
        """Ends every Velkin still running (what a failed scenario left behind)."""
        for velkin in self.velkins:
            if velkin.running():
                print(f"note: ending a Velkin left running {why}", flush=True)
            velkin.kill()
        self.velkins = []
        self.velkin = None
        self.main = None

    def at_cleanup(self, function):
        """function() runs when the suite ends, whatever happened (undoing a change to the
        Wine prefix, say)."""
        self._cleanups.append(function)

    def cleanup(self):
        self.end_velkins("after the suite")
        for function in reversed(self._cleanups):
            try:
                function()
            except (DriverError, OSError, subprocess.SubprocessError) as error:
                print(f"note: a clean-up step failed: {error}", flush=True)
        for driver in [self.driver] + self.helpers:
            driver.stop()
        shutil.rmtree(self.work, ignore_errors=True)

    def helper(self, number=0):
        """A further driver for a command that runs beside the others (a watcher)."""
        while len(self.helpers) <= number:
            self.helpers.append(Driver(self.args.driver, self.args.verbose))
        return self.helpers[number]

    # Looking.

    def main_now(self):
        """The main window as it is now (rect, enabled), or None once it is gone."""
        shown = self.driver.windows(T.MAIN_CLASS, pid=self.main["pid"])
        return shown[0] if shown else None

    def enabled(self):
        window = self.main_now()
        return window is not None and window["enabled"]

    def rows(self):
        return self.driver.list_view(self.main["hwnd"])["rows"]

    def row_count(self):
        return self.driver.row_count(self.main["hwnd"])

    def selected(self):
        return self.driver.rows(self.main["hwnd"], count=0)["selected"]

    def statuses(self):
        return [row[T.STATUS] for row in self.rows()]

    def column_widths(self):
        return [c["width"] for c in self.driver.list_view(self.main["hwnd"])["columns"]]

    def boxes(self):
        """The dialogs and message boxes of the current Velkin now."""
        return [w for w in self.driver.windows(pid=self.main["pid"])
                if w["class"] == T.DIALOG_CLASS]

    def menu(self):
        return self.driver.menu(self.main["hwnd"])

    def top_menu(self, caption, dump=None):
        for top in (dump or self.menu())["items"]:
            if top["caption"] == caption:
                return top
        raise DriverError(f"no menu {caption} in the menu bar")

    def menu_state(self):
        """(profile texts as the user reads them, checked profile numbers, save-path check,
        clear-end check) from the live menu."""
        dump = self.menu()
        profiles = self.top_menu(T.PROFILE_MENU, dump)["items"][:T.PROFILE_COUNT]
        options = {item["caption"]: item for item in self.top_menu(T.OPTION_MENU, dump)["items"]}
        return ([p["caption"].replace("&&", "&") for p in profiles],
                [n for n, p in enumerate(profiles, start=1) if p["checked"]],
                options[T.SAVE_PATH]["checked"], options[T.CLEAR_END]["checked"])

    @staticmethod
    def expected_menu(profiles, selected=1, save_path=False, clear_end=False):
        return ([f"{n} {text}" for n, text in enumerate(profiles, start=1)], [selected],
                save_path, clear_end)

    def checked(self, caption):
        """Whether the option item with this caption is checked."""
        for item in self.top_menu(T.OPTION_MENU)["items"]:
            if item["caption"] == caption:
                return item["checked"]
        raise DriverError(f"no menu item {caption}")

    # Acting.

    def invoke(self, top, caption=None, index=None):
        """Chooses a menu item (by caption, or by position for the profiles, whose captions
        change) the way the menu does: WM_COMMAND with the item's id, posted to the main
        window. The caller waits for the command's effect."""
        key = (self.main["pid"], top, caption, index)
        if key not in self._menu_ids:
            items = self.top_menu(top)["items"]
            found = [item for position, item in enumerate(items)
                     if (caption is None or item["caption"] == caption)
                     and (index is None or position == index)]
            if len(found) != 1 or found[0]["type"] != "command":
                raise DriverError(f"no menu item {caption or index} in {top}")
            self._menu_ids[key] = found[0]["id"]
        self.driver.one("menu-command", "--hwnd", self.main["hwnd"], "--id", self._menu_ids[key])

    def after_posted_commands(self):
        """Returns once every menu command posted so far has been handled. Posted messages are
        handled in order, so a command with a visible effect posted last marks the moment:
        the save-path option is switched and back, each time waiting for its check mark."""
        before = self.checked(T.SAVE_PATH)
        for want in (not before, before):
            self.invoke(T.OPTION_MENU, T.SAVE_PATH)
            shown = wait_until(lambda: self.checked(T.SAVE_PATH), lambda on: on == want)
            if shown != want:
                raise DriverError(f"{T.SAVE_PATH} did not become {want}")

    def choose_profile(self, number):
        self.invoke(T.PROFILE_MENU, index=number - 1)
        checked = wait_until(lambda: self.menu_state()[1], lambda c: c == [number])
        self.report.equal(f"profile {number} chosen from the menu", checked, [number])

    def set_option(self, caption, on):
        """Checks or unchecks an option of the 動作と設定 menu, if it is not so already."""
        if self.checked(caption) != on:
            self.invoke(T.OPTION_MENU, caption)
        self.report.equal(f"{caption} is {'checked' if on else 'unchecked'}",
                          wait_until(lambda: self.checked(caption), lambda c: c == on), on)

    def keyboard_menu(self, top):
        """Opens a menu of the bar with its Alt chord, as a user does; returns the popup. The
        chord goes once, to the main window idle in the foreground, and is then waited for."""
        self.driver.wait_none(T.MENU_CLASS, pid=self.main["pid"])
        self.driver.keys(f"alt+{T.MENU_KEYS[top]}", hwnd=self.main["hwnd"])
        return self.driver.window(T.MENU_CLASS, pid=self.main["pid"])

    def choose_in_open_menu(self, *chords):
        self.driver.keys(*chords)
        self.driver.wait_none(T.MENU_CLASS, pid=self.main["pid"])

    def drop(self, paths, rows=None, **options):
        """Drops real paths onto the main window (XDND, as from a file manager); with `rows`,
        waits until the list has that many rows and returns them."""
        # The program shows its window before the X server has mapped it; on a busy machine
        # the drag source may look before that, so it waits for the window to be there.
        options.setdefault("wait_ms", UI_TIMEOUT_MS)
        xdnd.drop(paths, window_name=T.TITLE, build_dir=self.args.build,
                  types=["text/uri-list"], **options)
        if rows is None:
            return None
        return wait_until(self.rows, lambda shown: len(shown) == rows)

    def box(self, caption=None, timeout_ms=UI_TIMEOUT_MS):
        """The dialog or message box that shows (with this caption): the driver's `dialog`
        result plus `texts` (its non-empty statics) and `plain_buttons`."""
        box = self.driver.dialog(caption, pid=self.main["pid"], timeout_ms=timeout_ms)
        box["texts"] = [s for s in box["statics"] if s]
        box["plain_buttons"] = [plain_caption(b) for b in box["buttons"]]
        return box

    def answer(self, box, button, timeout_ms=UI_TIMEOUT_MS):
        """Clicks a button of the box, waits until the box is gone and the handler that showed
        it has returned."""
        self.driver.click(box["hwnd"], button)
        self.driver.wait_gone(box["hwnd"], timeout_ms=timeout_ms)
        self.driver.sync(self.main["hwnd"], timeout_ms=timeout_ms)

    def start_confirmed(self, label):
        """Start (圧縮開始), the question checked, answered Yes."""
        self.invoke(T.OPTION_MENU, T.START)
        box = self.box(T.CONFIRM)
        self.report.equal(f"{label}: Start asks first", (box["texts"][-1:], box["plain_buttons"]),
                          ([T.START_QUESTION], ["はい", "いいえ"]))
        self.driver.click(box["hwnd"], T.YES)
        self.driver.wait_gone(box["hwnd"])

    def clear_list(self, label):
        """リストのクリア, answered Yes; the list must then be empty."""
        self.invoke(T.EDIT_MENU, T.CLEAR)
        box = self.box(T.CONFIRM)
        self.report.equal(f"{label}: clear asks", box["texts"], [T.CLEAR_QUESTION])
        self.answer(box, T.YES)
        self.report.equal(f"{label}: the list is empty", self.row_count(), 0)

    def run_end_box(self, label, timeout_s=RUN_LIMIT_S):
        """The box that ends a run; any other box on the way fails at once, with its text."""
        deadline = time.monotonic() + timeout_s
        while time.monotonic() < deadline:
            if self.boxes():
                box = self.box()
                if box["caption"] != T.CLEAR_BY_HAND_CAPTION:
                    raise DriverError(f"{label}: unexpected box {box['caption']!r}: "
                                      f"{box['texts']}; statuses {self.statuses()}")
                return box
            time.sleep(0.2)
        raise DriverError(f"{label}: the run did not end within {timeout_s} s; statuses "
                          f"{self.statuses()}")

    # Files.

    def standin_copy(self, folder, name="StandInArchiver.exe"):
        path = os.path.join(folder, name)
        os.makedirs(folder, exist_ok=True)
        if not os.path.exists(path):
            shutil.copy2(self.args.standin, path)
        return path

    def fault_archiver_copy(self, folder):
        """The fault archiver as FaultArchiver.exe in the folder, with the stand-in it hands
        over to beside it."""
        self.standin_copy(folder)
        path = os.path.join(folder, "FaultArchiver.exe")
        if not os.path.exists(path):
            shutil.copy2(self.args.fault_archiver, path)
        return path

    def check_archive(self, label, unix_archive, dropped):
        if not self.report.check(f"{label}: archive {os.path.basename(unix_archive)} exists",
                                 os.path.isfile(unix_archive)):
            return
        self.report.equal(f"{label}: archive holds the dropped items under -EP1 names",
                          archive_entries(unix_archive), expected_entries(dropped))

    def artifact(self, name):
        return os.path.join(self.args.artifacts, name)

    def screenshot(self, name):
        return screenshot(self.artifact(name))

    # After a failure.

    def dump(self):
        """What the screen holds, as text: every visible window, and for each running Velkin
        its list and menu state."""
        lines = []
        try:
            for w in self.driver.windows():
                lines.append(f"window {w['hwnd']} pid {w['pid']} {w['class']} {w['caption']!r}"
                             f" enabled={w['enabled']} rect={w['rect']}")
                if w["class"] == T.DIALOG_CLASS:
                    box = self.driver.dialog(pid=w["pid"], timeout_ms=1000)
                    lines.append(f"  texts {box['statics']} buttons {box['buttons']}")
            for velkin in self.velkins:
                if not velkin.running() and velkin.main is not None and \
                        velkin.process.returncode != 0:
                    # A Velkin that died: its exit code and what Wine said about it. Every close
                    # a scenario asks for ends with 0, and a list of those would bury this.
                    lines.append(f"Velkin {velkin.main['pid']} has ended with "
                                 f"{velkin.process.returncode}; the end of its Wine output:")
                    lines.extend("  " + line for line in velkin.output_tail())
                if velkin.main is None or not velkin.running():
                    continue
                view = self.driver.rows(velkin.main["hwnd"], count=40)
                lines.append(f"Velkin {velkin.main['pid']}: {view['row_count']} rows, selected "
                             f"{view['selected']}, first rows {view['rows']}")
                # Wine's errors, such as a program start it refused on the way.
                lines.extend("  wine: " + line for line in velkin.output_tail())
                tops = self.driver.menu(velkin.main["hwnd"])["items"]
                for top in tops:
                    lines.append(f"  menu {top['caption']}: " + ", ".join(
                        f"{i['caption']}{' [x]' if i['checked'] else ''}"
                        f"{' (grayed)' if i['grayed'] else ''}"
                        for i in top.get("items", []) if i["type"] != "separator"))
        except (DriverError, OSError, subprocess.SubprocessError, KeyError) as error:
            lines.append(f"(the dump stopped: {error})")
        return "\n".join(lines)


class Suite:
    """What every suite's scenarios share. A suite subclasses it, adds its own state in its
    __init__ after this one's, and returns its plans from plans(): [(plan name, [scenario, ...])],
    each scenario a method without arguments (or one made by named)."""

    def __init__(self, session):
        self.s = session
        self.args = session.args
        self.report = session.report
        self.driver = session.driver
        self.work = session.work

    def plans(self):
        raise NotImplementedError

    def release_held_archiver(self):
        """Lets the fault archiver go on with an archive whose name begins with "hold", which
        waits until this is done."""
        self.driver.run("set-event", "--name", "VelkinE2EArchiverGate")


def each_alone(*scenarios):
    """Plans of one scenario each, named after it: scenarios that start their own Velkins, so
    that one failing does not stop the others."""
    return [(scenario.__name__, [scenario]) for scenario in scenarios]


def named(name, function, *args, **kwargs):
    """A scenario that calls function(*args, **kwargs), under a name of its own."""
    def scenario():
        return function(*args, **kwargs)
    scenario.__name__ = name
    return scenario


def require_session():
    missing = [name for name in ("DISPLAY", "WINEPREFIX") if not os.environ.get(name)]
    if missing or shutil.which("wine") is None:
        sys.exit("run this under scripts/with-wine-session.sh (missing: "
                 + ", ".join(missing or ["wine on PATH"]) + ")")


def run_suite(name, description, suite, options=()):
    """The runner of every suite. suite: its Suite subclass, whose plans() gives
    [(plan name, [scenario, ...])]: each plan's scenarios run in order and build on each other,
    so a failure ends its plan; the next plan starts from scratch. options: further command-line
    options, (flag, help) pairs."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--velkin", required=True, help="Velkin.exe to test")
    parser.add_argument("--driver", required=True, help="velkin_driver.exe")
    parser.add_argument("--standin", required=True, help="StandInArchiver.exe")
    parser.add_argument("--artifacts", required=True, help="folder for screenshots and dumps")
    parser.add_argument("--build", required=True, help="folder for the compiled drag source")
    parser.add_argument("--only", nargs="*", help="run only the scenarios of these names")
    parser.add_argument("--verbose", action="store_true", help="print every driver command")
    for flag, help_text in options:
        parser.add_argument(flag, required=True, help=help_text)
    args = parser.parse_args()
    require_session()
    # Each Velkin gets only the stand-in settings its scenario asks for.
    for variable in ("VELKIN_STANDIN_LOG", "VELKIN_STANDIN_DELAY_MS", "VELKIN_STANDIN_EXIT_CODE",
                     "VELKIN_STANDIN_WAIT_FOR"):
        os.environ.pop(variable, None)
    os.makedirs(args.artifacts, exist_ok=True)
    for old in os.listdir(args.artifacts):
        if old.startswith(f"{name}-failed-"):  # from an earlier run; would mislead
            os.remove(os.path.join(args.artifacts, old))

    report = Report()
    session = Session(name, args, report)
    began = time.monotonic()
    try:
        for plan, scenarios in suite(session).plans():
            for number, scenario in enumerate(scenarios):
                if args.only and scenario.__name__ not in args.only:
                    continue
                started = time.monotonic()
                try:
                    scenario()
                except Exception as error:  # noqa: BLE001 - every failure is reported alike
                    report.check(f"{plan}: {scenario.__name__} ran to its end", False,
                                 f"{type(error).__name__}: {error}")
                    traceback.print_exc(file=sys.stdout)
                    record_failure(session, f"{name}-failed-{plan}-{scenario.__name__}")
                    rest = [s.__name__ for s in scenarios[number + 1:]]
                    if rest:
                        print(f"note: not run after the failure: {', '.join(rest)}", flush=True)
                    break
                finally:
                    print(f"note: {plan}: {scenario.__name__} took "
                          f"{time.monotonic() - started:.1f} s", flush=True)
            session.end_velkins(f"by plan {plan}")
    finally:
        session.cleanup()
        print(f"note: suite {name} took {time.monotonic() - began:.1f} s", flush=True)
    return report.summary()


def record_failure(session, stem):
    stem = re.sub(r"[^\w.-]+", "-", stem)
    shot = session.artifact(stem + ".png")
    try:
        screenshot(shot)
        print(f"screen at the failure: {shot}", flush=True)
    except (OSError, subprocess.SubprocessError) as error:
        print(f"no screenshot: {error}", flush=True)
    text = session.dump()
    print("what was shown at the failure:\n" + text, flush=True)
    with open(session.artifact(stem + ".txt"), "w", encoding="utf-8") as dump:
        dump.write(text + "\n")
