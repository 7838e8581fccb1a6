"""The end-to-end harness: the real Velkin.exe under Wine, driven from outside its process.

A suite holds only its scenarios. It gets a Session (the driver, the Velkins it started, their
windows, list, menu and boxes, the drops, the stand-in's log) and hands its plans to run_suite,
the one runner: it runs the plans, judges every check, and on a failure takes a screenshot and
a dump of the windows, the list and the menu, skips the rest of that plan (its scenarios build
on each other) and ends whatever the plan left running.

Everything that touches Velkin goes through velkin_driver.exe in its serve mode: one Wine
process per suite that takes one command per line, instead of one Wine start per action.

Every step waits for the state it causes (a window, a check mark, a row count, a box, a status,
a process exit) with deadlines generous enough for a busy machine, and an action is never sent
twice: a late first attempt would then act twice. Only the Python standard library is used.
"""

import argparse
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
import xdnd  # noqa: E402

# Deadlines: generous, because a loaded two-core machine can make Wine slow, and a wait that
# ends early only turns a slow run into a false failure. No check depends on them otherwise.
STARTUP_TIMEOUT_MS = 120_000  # a Velkin start; the first in a fresh Wine prefix is slow
UI_TIMEOUT_MS = 30_000  # any other effect of an action
RUN_LIMIT_S = 180  # a whole compression run
# Beyond a command's own deadline, how long the driver may take to say that it passed.
ANSWER_SLACK_S = 60


class DriverError(Exception):
    pass


class WineEndedStart(DriverError):
    """Wine ended a program while starting it, before the program's own code showed anything."""


class Driver:
    """velkin_driver.exe in serve mode: one method per driver command, results as the parsed
    JSON lines it prints. A second Driver serves a command that runs beside the first (a
    watcher)."""

    def __init__(self, driver_exe, verbose=False):
        self.driver_exe = driver_exe
        self.verbose = verbose
        self.process = None
        self.pending = b""
        self.busy = None  # the command sent and not yet answered

    # The serve process.

    def _serving(self):
        if self.process is not None and self.process.poll() is None:
            return
        # A Wine start that dies before the program runs has been seen on a loaded machine; no
        # command has been sent to such a process, so starting another one repeats nothing.
        for attempt in (1, 2, 3):
            self.process = subprocess.Popen(["wine", self.driver_exe, "serve"],
                                            stdin=subprocess.PIPE, stdout=subprocess.PIPE)
            self.pending = b""
            try:
                hello = json.loads(self._line(time.monotonic() + STARTUP_TIMEOUT_MS / 1000,
                                              "start-up"))
            except DriverError as error:
                self.stop()
                if attempt == 3:
                    raise
                print(f"note: the driver did not start ({error}); starting it again", flush=True)
                continue
            if "serving" not in hello:
                raise DriverError(f"driver said {hello} instead of serving")
            return

    def stop(self):
        if self.process is None:
            return
        if self.process.poll() is None:
            self.process.stdin.close()
            try:
                self.process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=15)
        self.process = None
        self.busy = None

    def _line(self, deadline, what):
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0:
                raise DriverError(f"the driver gave no answer to {what} in time")
            ready, _, _ = select.select([self.process.stdout], [], [], left)
            if ready:
                chunk = os.read(self.process.stdout.fileno(), 1 << 16)
                if not chunk:
                    raise DriverError(f"the driver ended (exit {self.process.wait()}) during "
                                      f"{what}")
                self.pending += chunk
        line, _, self.pending = self.pending.partition(b"\n")
        return line.decode("utf-8", errors="replace")

    # Commands.

    def begin(self, command, *args, timeout_ms=UI_TIMEOUT_MS):
        """Sends a command without waiting for its answer (see next_result and finish)."""
        if self.busy is not None:
            raise DriverError(f"driver still busy with {self.busy[0]}")
        self._serving()
        words = [command, *[str(a) for a in args]]
        if self.verbose:
            print("  $ " + " ".join(words), flush=True)
        self.process.stdin.write((json.dumps(words) + "\n").encode("ascii"))
        self.process.stdin.flush()
        self.busy = (command, time.monotonic() + timeout_ms / 1000 + ANSWER_SLACK_S)

    def next_result(self):
        """The next result line of the command under way, or None once it has ended (the end
        is then kept for finish)."""
        command, deadline = self.busy
        try:
            value = json.loads(self._line(deadline, command))
        except DriverError:
            self.stop()  # a late answer must not be taken for the next command's
            raise
        if "end" in value:
            self.pending = (json.dumps(value) + "\n").encode() + self.pending
            return None
        return value

    def finish(self):
        """The rest of the answer to the command under way; raises if it failed."""
        command, deadline = self.busy
        results = []
        try:
            while True:
                value = json.loads(self._line(deadline, command))
                if "end" in value:
                    break
                results.append(value)
        except DriverError:
            self.stop()
            raise
        self.busy = None
        if value["end"] != 0:
            raise DriverError(f"driver {command} exit {value['end']}: {value.get('error', '')}")
        return results

    def run(self, command, *args, timeout_ms=UI_TIMEOUT_MS):
        self.begin(command, *args, timeout_ms=timeout_ms)
        return self.finish()

    def one(self, command, *args, **kwargs):
        lines = self.run(command, *args, **kwargs)
        if len(lines) != 1:
            raise DriverError(f"driver {command} printed {len(lines)} results, expected one")
        return lines[0]

    @staticmethod
    def _filter(class_name=None, title=None, pid=None):
        args = []
        for option, value in (("--class", class_name), ("--title", title), ("--pid", pid)):
            if value is not None:
                args += [option, value]
        return args

    def window(self, class_name=None, title=None, pid=None, timeout_ms=UI_TIMEOUT_MS):
        return self.one("window", *self._filter(class_name, title, pid),
                        "--timeout-ms", timeout_ms, timeout_ms=timeout_ms)

    def windows(self, class_name=None, title=None, pid=None):
        return self.run("windows", *self._filter(class_name, title, pid))

    def wait_none(self, class_name=None, title=None, pid=None, timeout_ms=UI_TIMEOUT_MS):
        return self.one("wait-none", *self._filter(class_name, title, pid),
                        "--timeout-ms", timeout_ms, timeout_ms=timeout_ms)

    def wait_gone(self, hwnd, timeout_ms=UI_TIMEOUT_MS):
        return self.one("wait-gone", "--hwnd", hwnd, "--timeout-ms", timeout_ms,
                        timeout_ms=timeout_ms)

    def list_view(self, hwnd):
        return self.one("list", "--hwnd", hwnd)

    def rows(self, hwnd, first=0, count=None, columns=None, step=1, timeout_ms=UI_TIMEOUT_MS):
        """Only some cells of the list (each cell is a message to Velkin): rows from `first`,
        `count` of them (all by default), every `step`-th, the given column numbers (all by
        default). Returns the command's result: row_count, from, step, rows, selected."""
        args = ["--hwnd", hwnd, "--from", first, "--step", step]
        if count is not None:
            args += ["--count", count]
        if columns is not None:
            args += ["--columns", ",".join(str(c) for c in columns)]
        return self.one("rows", *args, timeout_ms=timeout_ms)

    def row_count(self, hwnd):
        return self.one("row-count", "--hwnd", hwnd)["row_count"]

    def menu(self, hwnd):
        return self.one("menu", "--hwnd", hwnd)

    def keys(self, *chords, hwnd=None):
        target = ["--hwnd", hwnd] if hwnd is not None else []
        return self.one("keys", *target, *chords)

    def type_text(self, text, hwnd=None):
        target = ["--hwnd", hwnd] if hwnd is not None else []
        return self.one("type", *target, "--text", text)

    def dialog(self, caption=None, pid=None, timeout_ms=UI_TIMEOUT_MS):
        args = ["--caption", caption] if caption is not None else []
        if pid is not None:
            args += ["--pid", pid]
        return self.one("dialog", *args, "--timeout-ms", timeout_ms, timeout_ms=timeout_ms)

    def set_edit(self, dialog_hwnd, text, index=0):
        return self.one("set-edit", "--hwnd", dialog_hwnd, "--index", index, "--text", text)

    def click(self, dialog_hwnd, caption):
        return self.one("click", "--hwnd", dialog_hwnd, "--button", caption)

    def close(self, hwnd):
        return self.one("close", "--hwnd", hwnd)

    def sync(self, hwnd, timeout_ms=UI_TIMEOUT_MS):
        return self.one("sync", "--hwnd", hwnd, "--timeout-ms", timeout_ms, timeout_ms=timeout_ms)

    def wait_exit(self, pid, timeout_ms=UI_TIMEOUT_MS):
        return self.one("wait-exit", "--pid", pid, "--timeout-ms", timeout_ms,
                        timeout_ms=timeout_ms)

    def focus(self, hwnd):
        return self.one("focus", "--hwnd", hwnd)


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


class Velkin:
    """Velkin.exe started under Wine from a program folder of its own.

    The program keeps its files beside itself, so a copy in an empty folder starts from its
    defaults whatever earlier runs left behind."""

    def __init__(self, velkin_exe, folder, settings=None, settings_bytes=None, env=None,
                 cwd=None, arguments=(), launcher=()):
        """folder: the program folder (an existing one is a restart). settings: {key: value}
        written as section [Main] of Velkin.ini (Shift-JIS, CR LF) before the start;
        settings_bytes: the file's exact bytes instead. cwd: the current directory to start
        in, when it must not be the program folder. arguments: Velkin's command line.
        launcher: a Windows program and its arguments that start Velkin (start_shown.exe)."""
        self.folder = folder = os.path.abspath(folder)
        os.makedirs(folder, exist_ok=True)
        self.exe = os.path.join(folder, os.path.basename(velkin_exe))
        if not os.path.exists(self.exe):
            shutil.copy2(velkin_exe, self.exe)
        if settings is not None:
            settings_bytes = settings_file_bytes(settings)
        if settings_bytes is not None:
            with open(self.settings_path(), "wb") as ini:
                ini.write(settings_bytes)
        self.main = None  # the main window once it showed
        self.prompt_seen = False
        self.launcher = launcher
        # Beside the program folder, not in it: the folder holds only what the program sees.
        self._log = open(folder + ".wine-output.log", "ab")
        # A Windows launcher needs the Windows form of the path; wine itself takes either.
        program = windows_path(self.exe) if launcher else self.exe
        self.process = subprocess.Popen(["wine", *launcher, program, *arguments],
                                        cwd=cwd or folder,
                                        stdin=subprocess.DEVNULL, stdout=self._log,
                                        stderr=subprocess.STDOUT,
                                        env=dict(os.environ, **(env or {})))

    @property
    def pid(self):
        return self.main["pid"]

    def running(self):
        return self.process.poll() is None

    def output_tail(self, count=20):
        """The last lines Wine wrote for this Velkin (its stdout and stderr)."""
        self._log.flush()
        with open(self._log.name, "rb") as log:
            return log.read().decode("utf-8", errors="replace").splitlines()[-count:]

    def settings_path(self):
        return os.path.join(self.folder, "Velkin.ini")

    def list_file(self):
        return os.path.join(self.folder, "Velkin.lst")

    def read_settings(self):
        """Velkin.ini as [(section, key, value)] in file order, decoded from Shift-JIS."""
        entries = []
        section = None
        with open(self.settings_path(), "rb") as ini:
            for raw in ini.read().decode("cp932").splitlines():
                line = raw.strip()
                if line.startswith("[") and line.endswith("]"):
                    section = line[1:-1]
                elif "=" in line:
                    key, value = raw.split("=", 1)
                    entries.append((section, key, value))
        return entries

    def wait(self, timeout_s):
        """The exit code `wine` passes on from the Windows process, or None if still running."""
        try:
            return self.process.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            try:
                self.process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                pass
        self._log.close()


class StandinLog:
    """The stand-in archiver's log: one JSON object per run."""

    def __init__(self, path):
        self.path = path

    def runs(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path, "rb") as f:
            return [json.loads(line) for line in f.read().decode("utf-8").splitlines()
                    if line.strip()]


def windows_path(unix_path):
    """The path under which Wine shows a Unix path to Windows programs (drive Z:)."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def settings_file_bytes(settings):
    """A settings file as a user or an earlier version writes it: [Main], key=value, CR LF,
    Shift-JIS."""
    lines = ["[Main]"] + [f"{key}={value}" for key, value in settings.items()]
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def make_file(path, content=b""):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content if isinstance(content, bytes) else content.encode("utf-8"))
    return path


def plain_caption(caption):
    """A button's caption without its access key: "はい(&Y)" reads "はい"."""
    return re.sub(r"\(&.\)$", "", caption).replace("&", "")


def outer_rect(window):
    """A window's outer frame as (left, top, width, height)."""
    left, top, right, bottom = window["rect"]
    return (left, top, right - left, bottom - top)


def screen_size():
    """The X screen's width and height in pixels."""
    shown = subprocess.run(["xdpyinfo"], capture_output=True, text=True, timeout=60,
                           stdin=subprocess.DEVNULL).stdout
    found = re.search(r"dimensions:\s+(\d+)x(\d+) pixels", shown)
    if not found:
        raise DriverError("xdpyinfo gave no screen dimensions")
    return int(found.group(1)), int(found.group(2))


def screenshot(path, crop=None):
    """The X screen (or the rectangle [left, top, right, bottom] of it) as a PNG file."""
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    area = []
    if crop is not None:
        left, top, right, bottom = crop
        area = ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]
    subprocess.run(["import", "-window", "root", *area, path], check=True, timeout=60,
                   stdin=subprocess.DEVNULL, capture_output=True)
    return os.path.getsize(path) > 0


def wait_until(read, accept, timeout_s=UI_TIMEOUT_MS / 1000, interval_s=0.1):
    """Reads until accept(value) holds or the time is up; returns the last value read, which
    the caller's check then judges (and shows when it is wrong)."""
    deadline = time.monotonic() + timeout_s
    while True:
        value = read()
        if accept(value) or time.monotonic() >= deadline:
            return value
        time.sleep(interval_s)


def archive_entries(unix_archive):
    """{name: bytes, or None for a folder} of a ZIP archive, read with zipfile."""
    with zipfile.ZipFile(unix_archive) as archive:
        return {info.filename: (None if info.is_dir() else archive.read(info))
                for info in archive.infolist()}


def expected_entries(paths):
    """The names -EP1 stores for dropped Unix paths (base folder left out), with the bytes of
    every file; folders end in "/"."""
    entries = {}
    for path in paths:
        base = os.path.basename(path)
        if os.path.isdir(path):
            entries[base + "/"] = None
            for root, dirs, files in os.walk(path):
                relative = os.path.relpath(root, os.path.dirname(path)).replace(os.sep, "/")
                for name in dirs:
                    entries[f"{relative}/{name}/"] = None
                for name in files:
                    with open(os.path.join(root, name), "rb") as f:
                        entries[f"{relative}/{name}"] = f.read()
        else:
            with open(path, "rb") as f:
                entries[base] = f.read()
    return entries


def list_file_bytes(paths):
    """The list file Velkin writes for the archiver: the ANSI code page (932) when every path
    has a form in it, else UTF-16LE with a byte order mark; CR LF after every line."""
    try:
        return b"".join(p.encode("cp932") + b"\r\n" for p in paths), "ansi"
    except UnicodeEncodeError:
        return b"\xff\xfe" + b"".join((p + "\r\n").encode("utf-16-le") for p in paths), "utf16"


def command_line(archiver, switches, archive, program_folder):
    """The archiver's command line exactly as Velkin joins it (Windows paths)."""
    return f'"{archiver}" A {switches} "{archive}" "@{program_folder}\\Velkin.lst"'


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
              cwd=None, arguments=(), launcher=(), wait=True):
        """Velkin from a program folder of its own (`name` inside the work folder, or an
        existing `folder` for a restart). With wait, returns once the main window shows; a
        question for the WinRAR location on the way is answered with Cancel, as a user
        without WinRAR would (velkin.prompt_seen tells)."""
        if folder is None:
            folder = (os.path.join(self.work, name) if name
                      else tempfile.mkdtemp(prefix="velkin-", dir=self.work))
        for attempt in (1, 2):
            self.velkin = Velkin(self.args.velkin, folder, settings, settings_bytes, env, cwd,
                                 arguments, launcher)
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


def run_suite(name, description, plans, options=()):
    """The runner of every suite. plans(session) returns [(plan name, [scenario, ...])]: each
    plan's scenarios run in order and build on each other, so a failure ends its plan; the next
    plan starts from scratch. options: further command-line options, (flag, help) pairs."""
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
        for plan, scenarios in plans(session):
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
