"""The session's Wine prefix registry, edited with Wine's regedit: what a suite registers (a
handler, a COM server) it first saves and afterwards puts back.

A Wine start costs more than a whole registry edit, so keys are exported and imported as whole
.reg files (UTF-16 with a byte order mark, as regedit writes them). Standard library only.
"""

import os
import subprocess

from velkin_e2e import DriverError, windows_path

def regedit(*args):
    """One run of Wine's regedit; a Wine start costs more than a whole registry edit, so the
    keys are exported and imported as whole .reg files.

    regedit itself always ends with exit code 0, so any other code is Wine ending it, as it
    now and then does with a process it starts. An import or export done again gives the same
    registry and file, so such a run is made again, and said."""
    for attempt in (1, 2, 3):
        done = subprocess.run(["wine", "regedit", *args], stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=120)
        if done.returncode == 0:
            return
        said = (done.stdout + done.stderr).decode("utf-8", "replace").strip()
        failure = f"wine regedit {' '.join(args)} exit {done.returncode}; Wine said: {said!r}"
        if attempt == 3:
            raise DriverError(failure)
        print(f"note: {failure}; running it again", flush=True)


def reg_sections(path):
    """{key: [lines]} of an exported .reg file, the key's own values only. regedit writes no
    file for a key that does not exist."""
    if not os.path.exists(path):
        return {}
    with open(path, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-16") if raw.startswith(b"\xff\xfe") else raw.decode("utf-8", "replace")
    sections = {}
    current = None
    for line in text.splitlines():
        if line.startswith("[") and line.rstrip().endswith("]"):
            current = line.strip()[1:-1]
            sections[current] = []
        elif current is not None and line.strip():
            sections[current].append(line)
    return sections


def reg_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def unreg_string(text):
    return text[1:-1].replace('\\"', '"').replace("\\\\", "\\")


def import_reg(work, name, lines):
    path = os.path.join(work, name)
    text = "Windows Registry Editor Version 5.00\r\n\r\n" + "\r\n".join(lines) + "\r\n"
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))
    regedit("/S", windows_path(path))


class SavedKey:
    """A key with everything under it, as it was when saved; restore() puts it back exactly (a
    key that did not exist is removed again)."""

    def __init__(self, work, key, name):
        self.work = work
        self.key = key
        self.name = name
        exported = os.path.join(work, f"{name}-saved.reg")
        regedit("/E", windows_path(exported), key)
        self.lines = []
        for section, lines in reg_sections(exported).items():
            self.lines += [f"[{section}]"] + lines + [""]

    def restore(self):
        import_reg(self.work, f"{self.name}-restore.reg", [f"[-{self.key}]", ""] + self.lines)
