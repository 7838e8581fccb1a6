"""What the suites start and read besides the driver: Velkin.exe in a program folder of its own,
the stand-in archiver's log, the files a scenario makes and the archives it reads back."""

import json
import os
import re
import shutil
import subprocess
import time
import zipfile

import xdnd
from driver_client import UI_TIMEOUT_MS, DriverError


class Velkin:
    """Velkin.exe started under Wine from a program folder of its own.

    The program keeps its files beside itself, so a copy in an empty folder starts from its
    defaults whatever earlier runs left behind."""

    def __init__(self, velkin_exe, folder, settings=None, settings_bytes=None, env=None,
                 cwd=None, arguments=(), launcher=(), program=None):
        """folder: the program folder (an existing one is a restart). settings: {key: value}
        written as section [Main] of Velkin.ini (Shift-JIS, CR LF) before the start;
        settings_bytes: the file's exact bytes instead. cwd: the current directory to start
        in, when it must not be the program folder. arguments: Velkin's command line.
        launcher: a Windows program and its arguments that start Velkin (start_shown.exe).
        program: the Windows path it is started by, when that must be another form of the path
        (an 8.3 form)."""
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
        program = program or (windows_path(self.exe) if launcher else self.exe)
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
    return xdnd.wine_path(os.path.abspath(unix_path))


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


def icon_colours(rect, scratch):
    """Strongly red and strongly blue pixels on the screen in the left third of a message box,
    where the system puts its icon: the error icon is red, the information icon blue, and a box
    without icon has only grey background and black text there."""
    shot = os.path.join(scratch, "box.png")
    screenshot(shot)
    left, top, right, bottom = rect
    width = max(1, (right - left) // 3)
    height = max(1, bottom - top)
    raw = subprocess.run(["convert", shot, "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                          "-depth", "8", "rgb:-"], check=True, capture_output=True, timeout=60,
                         stdin=subprocess.DEVNULL).stdout
    red = blue = 0
    for at in range(0, len(raw) - 2, 3):
        r, g, b = raw[at], raw[at + 1], raw[at + 2]
        if r > 150 and g < 100 and b < 100:
            red += 1
        elif b > 150 and r < 100:
            blue += 1
    return red, blue


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


def command_as_read(run):
    """How the stand-in read its command line: (program, command, switches, archive, list file,
    the oddities it tolerated). No oddity means quotes and blanks exactly as the archiver
    expects them."""
    return (run["program"], run["command"], run["switches"], run["archivePath"],
            run["listFilePath"], run["commandLineNotes"])


def command_expected(archiver, switches, archive, program_folder):
    """command_as_read of a command line that names these, in the list file beside the
    program (Windows paths)."""
    return (archiver, "A", switches, archive, program_folder + "\\Velkin.lst", [])


def list_as_read(run):
    """How the stand-in read its list file: (encoding, paths, problems, oddities tolerated).
    No oddity means no byte order mark where none belongs, CR LF after every line and no empty
    line."""
    return (run["listEncoding"], run["listEntries"], run["listProblems"], run["listNotes"])


def list_expected(paths, encoding="ansi"):
    """list_as_read of a list of these Unix paths in this encoding ("ansi", "utf16le",
    "utf8"); an empty file is read as one without entries."""
    return (encoding, [windows_path(p) for p in paths], [], [] if paths else ["no entries"])
