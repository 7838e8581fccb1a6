"""velkin_driver.exe in its serve mode, seen from the suites: one Wine process per suite that
takes one command per line, instead of one Wine start per action (DRIVER.md lists the commands).
"""

import json
import os
import select
import subprocess
import time

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
