"""What the two fault suites (faults_test.py, busy_test.py) share: the settings file read back
by the system's rules, drops served in one piece, and the boxes of a hostile or unlucky world.
"""

import os
import re

import velkin_texts as T
from velkin_e2e import UI_TIMEOUT_MS, Suite, wait_until

DELETE_SUFFIX = T.delete_question("")
ARCHIVER = "C:\\WinRAR\\WinRAR.exe"
BIG_TIMEOUT_MS = 180_000
NO_INCR_BELOW = 16 * 1024 * 1024  # bytes; a drop of 100,000 paths is about 7 MB


def decode_settings(raw):
    """The text of a settings file as the system reads it: by its byte order mark, else in
    the ANSI code page (932)."""
    if raw.startswith(b"\xef\xbb\xbf"):
        return "utf-8", raw[3:].decode("utf-8", errors="replace")
    if raw.startswith(b"\xff\xfe"):
        return "utf-16-le", raw[2:].decode("utf-16-le", errors="replace")
    return "cp932", raw.decode("cp932", errors="replace")


def parse_settings(text):
    """[(section, key, value)] in file order; section None before the first header."""
    entries = []
    section = None
    for raw in re.split(r"\r\n|\n|\r", text):
        line = raw.strip()
        if line.startswith("[") and "]" in line:
            section = line[1:line.index("]")]
        elif "=" in line:
            key, value = line.split("=", 1)
            entries.append((section, key.strip(), value.strip()))
    return entries


def main_section(entries):
    """Section Main as the system's profile reader sees it (established under Wine 8): the
    first section named Main in any letter case, and in it the first of equal keys."""
    values = {}
    first = None
    for section, key, value in entries:
        if section is None or section.lower() != "main":
            continue
        if first is None:
            first = section
        if section is not first and section != first:
            continue
        values.setdefault(key.lower(), value)
    return values


class FaultSuite(Suite):
    """The scenarios' looks and actions that both fault suites use."""

    @property
    def velkin(self):
        return self.s.velkin

    @property
    def main(self):
        return self.s.main

    def drop(self, paths, timeout_ms=UI_TIMEOUT_MS):
        # Served in one piece: after another Wine program has run on the same display, Wine 8
        # was seen to refuse or cut short drops whose data came incrementally (INCR), which is
        # between Wine and the X server, before Velkin sees anything.
        return self.s.drop(paths, timeout_ms=timeout_ms, incr_threshold=NO_INCR_BELOW)

    def drop_rows(self, paths, expected_count):
        self.drop(paths)
        return wait_until(self.s.row_count, lambda n: n >= expected_count)

    def box_texts(self, box):
        return [s for s in box["statics"] if s]

    def answer(self, box, caption):
        self.s.answer(box, caption, timeout_ms=BIG_TIMEOUT_MS)

    def saved_values(self, velkin=None):
        with open((velkin or self.velkin).settings_path(), "rb") as f:
            raw = f.read()
        encoding, text = decode_settings(raw)
        return raw, encoding, parse_settings(text)

    def check_all_keys_saved(self, label, saved=None):
        """Section Main of the settings file (`saved`, else read now), read by the system's
        rules, holds the 19 keys; returns what it holds, by key in lower case."""
        _, encoding, entries = saved or self.saved_values()
        values = main_section(entries)
        self.report.equal(f"{label} (all 19 keys, {encoding})",
                          sorted(k for k in values if k in {x.lower() for x in T.SETTINGS_KEYS}),
                          sorted(k.lower() for k in T.SETTINGS_KEYS))
        return values

    def start_in(self, folder, settings, env):
        velkin = self.s.start(folder=folder, settings=settings, env=env)
        self.report.check(f"{os.path.basename(folder)}: Velkin starts without a question",
                          not velkin.prompt_seen)
