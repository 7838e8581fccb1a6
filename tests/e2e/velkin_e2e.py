"""Running Velkin under Wine and driving it from outside, for the end-to-end tests.

Everything that touches Velkin goes through velkin_driver.exe, one `wine velkin_driver.exe ...`
run per action, the way a separate automation tool would work. Only the Python standard library
is used.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

MAIN_WINDOW_CLASS = "TVLKN_MAIN"
MENU_WINDOW_CLASS = "#32768"  # an open popup menu
# Without a WinRAR location (a first start, in a fresh folder) Velkin asks for it before its
# main window shows.
ARCHIVER_PROMPT_CAPTION = "WinRAR.exeを指定してください"

# Waits are bounded everywhere; these are generous because a loaded machine can make Wine slow,
# and a wait that ends early only turns a slow run into a false failure.
STARTUP_TIMEOUT_MS = 30000
UI_TIMEOUT_MS = 10000


# Driver commands that change nothing in the target, and so may be repeated.
LOOKING_COMMANDS = {"window", "windows", "wait-none", "wait-gone", "list", "menu", "dialog",
                    "sync", "wait-exit", "rows", "row-count"}


class DriverError(Exception):
    pass


class Driver:
    """One method per driver command; results are the parsed JSON lines it prints."""

    def __init__(self, driver_exe, verbose=False):
        self.driver_exe = driver_exe
        self.verbose = verbose

    def run(self, command, *args, timeout_ms=UI_TIMEOUT_MS):
        argv = ["wine", self.driver_exe, command, *[str(a) for a in args]]
        if self.verbose:
            print("  $ " + " ".join(argv[2:]), flush=True)
        for attempt in (1, 2):
            try:
                done = subprocess.run(argv, stdin=subprocess.DEVNULL, capture_output=True,
                                      timeout=timeout_ms / 1000 + 30)
            except subprocess.TimeoutExpired as error:
                raise DriverError(f"driver {command} did not return") from error
            # The driver explains every failure of its own. A silent non-zero exit means it
            # never got to its verdict (seen rarely under a loaded Wine); a command that only
            # looks is then asked once more, one that acts is not.
            silent = not done.stdout.strip() and not done.stderr.strip()
            if done.returncode == 0 or not silent or command not in LOOKING_COMMANDS \
                    or attempt == 2:
                break
            print(f"note: driver {command} exited {done.returncode} without a word; "
                  "asking again", flush=True)
        out = done.stdout.decode("utf-8", errors="replace")
        if done.returncode != 0:
            err = done.stderr.decode("utf-8", errors="replace").strip()
            raise DriverError(f"driver {command} exit {done.returncode}: {err or out.strip()}")
        return [json.loads(line) for line in out.splitlines() if line.strip()]

    def one(self, command, *args, **kwargs):
        lines = self.run(command, *args, **kwargs)
        if len(lines) != 1:
            raise DriverError(f"driver {command} printed {len(lines)} results, expected one")
        return lines[0]

    @staticmethod
    def _filter(class_name=None, title=None, pid=None):
        args = []
        if class_name is not None:
            args += ["--class", class_name]
        if title is not None:
            args += ["--title", title]
        if pid is not None:
            args += ["--pid", pid]
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

    def activate(self, hwnd):
        return self.one("activate", "--hwnd", hwnd)

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

    # Composite user actions.

    def open_menu(self, main, access_key, attempts=3):
        """Opens a menu of the bar with Alt+key, as a user would; returns the popup window.

        Under Wine on Xvfb an Alt chord is, rarely, lost on its way (seen about once in ten
        runs, with the window in the foreground and idle); the chord is then sent again after
        Escape has left any half-entered menu mode. A menu that never opens still fails.
        """
        for attempt in range(1, attempts + 1):
            self.keys(f"alt+{access_key}", hwnd=main["hwnd"])
            try:
                return self.window(MENU_WINDOW_CLASS, pid=main["pid"], timeout_ms=3000)
            except DriverError as error:
                if attempt == attempts:
                    raise
                print(f"note: Alt+{access_key} opened no menu ({error}); Escape, then again",
                      flush=True)
                self.keys("esc", "esc", hwnd=main["hwnd"])
                self.wait_none(MENU_WINDOW_CLASS, pid=main["pid"])
        raise AssertionError("unreachable")

    def choose_in_open_menu(self, main, *chords):
        self.keys(*chords)
        self.wait_none(MENU_WINDOW_CLASS, pid=main["pid"])


class VelkinProcess:
    """Velkin.exe started under Wine from a fresh program folder of its own.

    The program keeps its files beside itself, so a copy in an empty folder starts from its
    defaults whatever earlier runs left behind.
    """

    def __init__(self, velkin_exe, folder=None, settings=None, settings_bytes=None, env=None,
                 cwd=None):
        """folder: start from an existing program folder (a restart) instead of a new one.
        settings: {key: value} written as section [Main] of Velkin.ini (Shift-JIS, CR LF)
        before the start; settings_bytes: the file's exact bytes instead.
        cwd: the current directory to start in, when it must not be the program folder."""
        self.folder = folder or tempfile.mkdtemp(prefix="velkin-e2e-")
        self.exe = os.path.join(self.folder, os.path.basename(velkin_exe))
        if not os.path.exists(self.exe):
            shutil.copy2(velkin_exe, self.exe)
        if settings is not None:
            settings_bytes = settings_file_bytes(settings)
        if settings_bytes is not None:
            with open(os.path.join(self.folder, "Velkin.ini"), "wb") as ini:
                ini.write(settings_bytes)
        self.log_path = os.path.join(self.folder, "wine-output.log")
        self._log = open(self.log_path, "ab")
        self.process = subprocess.Popen(["wine", self.exe], cwd=cwd or self.folder,
                                        stdin=subprocess.DEVNULL, stdout=self._log,
                                        stderr=subprocess.STDOUT,
                                        env=dict(os.environ, **(env or {})))

    def settings_path(self):
        return os.path.join(self.folder, "Velkin.ini")

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

    def cleanup(self, remove_folder=True):
        self.kill()
        self._log.close()
        if remove_folder:
            shutil.rmtree(self.folder, ignore_errors=True)


def windows_path(unix_path):
    """The path under which Wine shows a Unix path to Windows programs (drive Z:)."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def settings_file_bytes(settings):
    """A settings file as a user or an earlier version writes it: [Main], key=value, CR LF,
    Shift-JIS."""
    lines = ["[Main]"] + [f"{key}={value}" for key, value in settings.items()]
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def wait_for_main_window(driver, velkin, timeout_ms=STARTUP_TIMEOUT_MS):
    """The main window once it shows; a start-up question for the WinRAR location is answered
    with Cancel on the way, as a user without WinRAR would. Returns (window, prompt_seen)."""
    deadline = time.monotonic() + timeout_ms / 1000
    prompt_seen = False
    while True:
        shown = driver.windows()
        for window in shown:
            if window["class"] == MAIN_WINDOW_CLASS:
                return window, prompt_seen
        prompts = [w for w in shown if w["caption"] == ARCHIVER_PROMPT_CAPTION]
        if prompts:
            prompt_seen = True
            driver.close(prompts[0]["hwnd"])
            driver.wait_gone(prompts[0]["hwnd"])
            continue
        if velkin.process.poll() is not None:
            raise DriverError(f"Velkin ended at start-up with {velkin.process.returncode}")
        if time.monotonic() >= deadline:
            raise DriverError(f"no {MAIN_WINDOW_CLASS} window within {timeout_ms} ms; visible: "
                              + ", ".join(f"{w['class']} {w['caption']!r}" for w in shown))
        time.sleep(0.2)


def outer_rect(window):
    """A window's outer frame as (left, top, width, height)."""
    left, top, right, bottom = window["rect"]
    return (left, top, right - left, bottom - top)


def screen_size():
    """The X screen's width and height in pixels."""
    shown = subprocess.run(["xdpyinfo"], capture_output=True, text=True, timeout=30,
                           stdin=subprocess.DEVNULL).stdout
    found = re.search(r"dimensions:\s+(\d+)x(\d+) pixels", shown)
    if not found:
        raise DriverError("xdpyinfo gave no screen dimensions")
    return int(found.group(1)), int(found.group(2))


def screenshot(path):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    subprocess.run(["import", "-window", "root", path], check=True, timeout=60,
                   stdin=subprocess.DEVNULL, capture_output=True)
    return os.path.getsize(path) > 0


def wait_until(read, accept, timeout_s=UI_TIMEOUT_MS / 1000, interval_s=0.1):
    """Reads until accept(value) holds or the time is up; returns the last value read.

    For effects of posted messages (a menu command reaches the window after the menu closed),
    which no message round trip can wait for. The caller still asserts on the value.
    """
    deadline = time.monotonic() + timeout_s
    while True:
        value = read()
        if accept(value) or time.monotonic() >= deadline:
            return value
        time.sleep(interval_s)


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
        return self.check(name, actual == expected,
                          f"expected {expected!r}, got {actual!r}")

    def summary(self):
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        return 0 if self.failed == 0 and self.passed > 0 else 1


def require_session():
    missing = [name for name in ("DISPLAY", "WINEPREFIX") if not os.environ.get(name)]
    if missing or shutil.which("wine") is None:
        sys.exit("run this under scripts/with-wine-session.sh (missing: "
                 + ", ".join(missing or ["wine on PATH"]) + ")")
