#!/usr/bin/env python3
"""End-to-end test of Velkin's Help menu: the About window (place, look, modality, closing and
showing again), its two links (hover colour, no pop-up hint, what a click hands to the shell)
and the readme command (with and without README.TXT, started from another current directory).

What the shell is asked to open is watched without a browser, a mail program or an editor:
shell_recorder.exe is registered in the session's Wine prefix as the handler of http, https,
mailto and .txt, and records every command line it is started with. The registration is undone
at the end.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  about_test.py --velkin Velkin.exe --driver velkin_driver.exe --recorder shell_recorder.exe
                --artifacts DIR
"""

import json
import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import (Suite, DriverError, run_suite, screenshot, wait_until,  # noqa: E402
                        windows_path)
from wine_registry import import_reg, reg_sections, reg_string, regedit, unreg_string  # noqa: E402

ABOUT_CLIENT = (217, 134)

WS_THICKFRAME = 0x00040000
WS_SYSMENU = 0x00080000
WS_CAPTION = 0x00C00000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_EX_DLGMODALFRAME = 0x00000001

# Where the main window starts (seeded in Velkin.ini) and where it is moved to between the two
# showings of the About window. Neither is the About window's creation place (0, 0).
START_PLACE = (150, 90)
MOVED_PLACE = (430, 255)

WHITE = (255, 255, 255)
RED = (255, 0, 0)
BLACK = (0, 0, 0)

RECORDER_LOG = "shell_recorder.log"
URL_SCHEMES = ("http", "https", "mailto")
TEXT_PROG_ID = "VelkinE2E.TextFile"


# ------------------------------------------------------------------------------------------
# The screen, read with ImageMagick's `import` from the X display.

def grab(rect):
    """The pixels of a screen rectangle [left, top, right, bottom] as rows of (r, g, b)."""
    left, top, right, bottom = rect
    width, height = right - left, bottom - top
    done = subprocess.run(["import", "-window", "root", "-crop",
                           f"{width}x{height}+{left}+{top}", "+repage", "-depth", "8", "ppm:-"],
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=60, check=True)
    data = done.stdout
    # P6 header: magic, width, height, maximum, each followed by one white-space byte.
    fields = []
    position = 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        start = position
        while not data[position:position + 1].isspace():
            position += 1
        fields.append(data[start:position])
    position += 1
    if fields[0] != b"P6" or int(fields[1]) != width or int(fields[2]) != height:
        raise DriverError(f"unexpected screen grab {fields[:3]} for {width}x{height}")
    pixels = data[position:position + width * height * 3]
    return [[tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]


def count_colour(rows, colour):
    return sum(1 for row in rows for pixel in row if pixel == colour)


def centre(rect):
    return ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)


def inside(point, rect):
    return rect[0] <= point[0] < rect[2] and rect[1] <= point[1] < rect[3]


# ------------------------------------------------------------------------------------------
# The shell's handlers in the Wine prefix.

class ShellHandlers:
    """Makes the recorder the handler of web addresses, e-mail addresses and .txt files.

    Per user (HKCU\\Software\\Classes) is where a program registers itself on Windows, and
    where it overrides the machine's defaults. Wine 8 does not merge HKCU\\Software\\Classes
    into HKEY_CLASSES_ROOT: after such an entry `reg query HKCR\\http\\shell\\open\\command`
    still shows winebrowser, and ShellExecute starts winebrowser. So the entries go to both
    places; HKLM\\Software\\Classes is what HKEY_CLASSES_ROOT shows in this Wine. Everything is
    exported first and put back afterwards.
    """

    ROOTS = ("HKEY_CURRENT_USER\\Software\\Classes", "HKEY_LOCAL_MACHINE\\Software\\Classes")
    NAMES = URL_SCHEMES + (".txt", TEXT_PROG_ID)

    def __init__(self, recorder_exe, work):
        self.command = f'"{windows_path(recorder_exe)}" "%1"'
        self.work = work
        self.saved = None  # the .reg lines that put the keys back as they were

    def register(self):
        saved = []
        for number, root in enumerate(self.ROOTS):
            exported = os.path.join(self.work, f"saved-{number}.reg")
            regedit("/E", windows_path(exported), root)
            for key, lines in reg_sections(exported).items():
                if any(key.lower() == f"{root}\\{name}".lower()
                       or key.lower().startswith(f"{root}\\{name}\\".lower())
                       for name in self.NAMES):
                    saved += [f"[{key}]"] + lines + [""]
        self.saved = [f"[-{root}\\{name}]" for root in self.ROOTS for name in self.NAMES] + saved
        lines = []
        for root in self.ROOTS:
            for scheme in URL_SCHEMES:
                lines += [f"[{root}\\{scheme}]", '"URL Protocol"=""',
                          f"[{root}\\{scheme}\\shell\\open\\command]",
                          f"@={reg_string(self.command)}"]
            lines += [f"[{root}\\.txt]", f"@={reg_string(TEXT_PROG_ID)}",
                      f"[{root}\\{TEXT_PROG_ID}\\shell\\open\\command]",
                      f"@={reg_string(self.command)}"]
        import_reg(self.work, "register.reg", lines)

    def effective(self):
        """What HKEY_CLASSES_ROOT now says for each: {name: command or ProgID}."""
        exported = os.path.join(self.work, "classes-root.reg")
        regedit("/E", windows_path(exported), "HKEY_CLASSES_ROOT")
        sections = {key.lower(): lines for key, lines in reg_sections(exported).items()}

        def default_value(key):
            for line in sections.get(("HKEY_CLASSES_ROOT\\" + key).lower(), []):
                if line.startswith("@="):
                    return unreg_string(line[2:])
            return None

        seen = {scheme: default_value(f"{scheme}\\shell\\open\\command") for scheme in URL_SCHEMES}
        seen[".txt"] = default_value(".txt")
        seen[TEXT_PROG_ID] = default_value(f"{TEXT_PROG_ID}\\shell\\open\\command")
        return seen

    def restore(self):
        if self.saved is not None:
            import_reg(self.work, "restore.reg", self.saved)
            self.saved = None


class Recorder:
    """The recorder's copy for this run and its log: one JSON object per start."""

    def __init__(self, recorder_exe, work):
        folder = os.path.join(work, "recorder")
        os.makedirs(folder)
        self.exe = os.path.join(folder, "shell_recorder.exe")
        shutil.copy2(recorder_exe, self.exe)
        self.log = os.path.join(folder, RECORDER_LOG)

    def records(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, "rb") as log:
            lines = log.read().decode("utf-8", errors="replace").splitlines()
        # A line still being written has no end yet; it is read on the next call.
        return [json.loads(line) for line in lines if line.strip().endswith("}")]

    def wait_for(self, count):
        return wait_until(self.records, lambda records: len(records) >= count)


# ------------------------------------------------------------------------------------------

class AboutTest(Suite):
    def __init__(self, session):
        super().__init__(session)
        self.artifacts = session.args.artifacts
        self.recorder = Recorder(session.args.recorder, session.work)
        self.handlers = ShellHandlers(self.recorder.exe, session.work)
        self.velkin = None
        self.main = None
        self.about_hwnd = None
        self.links = {}  # "url" / "mail": the link's child window as inspected
        self.expected_records = []
        # The current directory Velkin starts in: not its program folder, and with a README.TXT
        # of its own that must not be the one opened.
        self.elsewhere = os.path.join(session.work, "elsewhere")
        os.makedirs(self.elsewhere)
        self.decoy = os.path.join(self.elsewhere, "README.TXT")
        shipped = os.path.join(os.path.dirname(os.path.abspath(session.args.velkin)),
                               "README.TXT")
        if os.path.exists(shipped):
            shutil.copy2(shipped, self.decoy)
        else:
            with open(self.decoy, "wb") as readme:
                readme.write(b"Velkin\r\n")

    def plans(self):
        return [("help menu", [self.shell_handlers, self.startup, self.about, self.readme,
                               self.all_records, self.restore_handlers])]

    # Helpers.

    def main_now(self):
        return self.driver.one("inspect", "--hwnd", self.main["hwnd"])

    def about_windows(self):
        return self.driver.windows(T.ABOUT_CLASS, pid=self.main["pid"])

    def visible_hints(self):
        return self.driver.windows(T.HINT_CLASS)

    def link_pixels(self, link):
        return grab(link["rect"])

    def wait_for_link_colour(self, link, colour):
        return wait_until(lambda: self.link_pixels(link),
                          lambda rows: count_colour(rows, colour) > 0
                          and count_colour(rows, WHITE if colour == RED else RED) == 0)

    # Scenarios.

    def shell_handlers(self):
        try:
            self.handlers.register()
        finally:
            # Put back even when a later scenario fails and ends the plan.
            self.s.at_cleanup(self.handlers.restore)
        effective = self.handlers.effective()
        command = self.handlers.command
        self.report.equal("HKEY_CLASSES_ROOT names the recorder for http, https, mailto",
                          [effective[s] for s in URL_SCHEMES], [command] * len(URL_SCHEMES))
        self.report.equal("HKEY_CLASSES_ROOT names the recorder for .txt files",
                          (effective[".txt"], effective[TEXT_PROG_ID]), (TEXT_PROG_ID, command))

    def restore_handlers(self):
        self.handlers.restore()

    def startup(self):
        self.velkin = self.s.start("velkin", cwd=self.elsewhere, settings={
            "MainX": START_PLACE[0], "MainY": START_PLACE[1],
            "WinRARPath": "C:\\Program Files\\WinRAR\\WinRAR.exe"})
        main = self.main = self.s.main
        self.report.check("no WinRAR prompt with WinRARPath seeded", not self.velkin.prompt_seen)
        self.report.equal("main window title", main["caption"], T.TITLE)
        self.report.equal("main window starts at the seeded place", main["rect"][:2],
                          list(START_PLACE))
        self.report.equal("no About window visible at start-up", self.about_windows(), [])

    def show_about(self, label, expected_place):
        """Opens the About window from the menu and checks its place, look and modality."""
        self.s.invoke(T.HELP_MENU, T.ABOUT)
        about = self.driver.window(T.ABOUT_CLASS, pid=self.main["pid"])
        if self.about_hwnd is None:
            self.about_hwnd = about["hwnd"]
        else:
            self.report.equal(f"{label}: the same About window is shown again", about["hwnd"],
                              self.about_hwnd)
        main = self.main_now()
        self.report.equal(f"{label}: main window is where it was put", main["rect"][:2],
                          list(expected_place))
        self.report.equal(f"{label}: About window's top-left corner on the main window's",
                          about["rect"][:2], main["rect"][:2])
        self.report.check(f"{label}: main window disabled while the About window is open",
                          not main["enabled"], f"main window enabled: {main['enabled']}")
        self.report.equal(f"{label}: exactly one About window visible",
                          [w["hwnd"] for w in self.about_windows()], [about["hwnd"]])
        return about

    def close_about(self, label):
        self.driver.close(self.about_hwnd)
        self.driver.wait_gone(self.about_hwnd)
        closed = self.driver.one("inspect", "--hwnd", self.about_hwnd)
        self.report.check(f"{label}: close box hides the About window (it still exists)",
                          not closed["visible"], f"{closed['visible']=}")
        main = wait_until(self.main_now, lambda window: window["enabled"])
        self.report.check(f"{label}: main window enabled again", main["enabled"])
        self.report.check(f"{label}: Velkin still running", self.velkin.running())

    def about_look(self, about):
        info = self.driver.one("inspect", "--hwnd", about["hwnd"])
        self.report.equal("About caption", info["caption"], T.ABOUT_CAPTION)
        client = info["client"]
        self.report.equal("About client area size (96 DPI)",
                          (client[2] - client[0], client[3] - client[1]), ABOUT_CLIENT)
        style, exstyle = info["style"], info["exstyle"]
        self.report.check("About frame: caption with system menu (close box)",
                          style & WS_CAPTION == WS_CAPTION and style & WS_SYSMENU,
                          f"style {style:#x}")
        self.report.check("About frame: no minimise or maximise box",
                          not style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), f"style {style:#x}")
        self.report.check("About frame: fixed (no sizing border), dialog frame",
                          not style & WS_THICKFRAME and exstyle & WS_EX_DLGMODALFRAME,
                          f"style {style:#x} exstyle {exstyle:#x}")

        children = [c for c in info["children"] if c["parent"] == about["hwnd"]]
        labels = [c for c in children if c["class"].lower() == "static" and c["text"]]
        self.report.check("About window has labels", len(labels) >= 2,
                          f"children {[(c['class'], c['text']) for c in children]}")
        if labels:
            self.report.equal("first label shows the application title", labels[0]["text"], T.TITLE)
        links = [c for c in children if c["class"] == T.LINK_CLASS]
        self.report.equal("two TURLLink children", len(links), 2)
        for link in links:
            text = link["text"]
            if "@" in text and "://" not in text:
                self.links["mail"] = link
            elif text.startswith(("http://", "https://")):
                self.links["url"] = link
        self.report.check("one link shows a web address",
                          "url" in self.links and len(self.links["url"]["text"]) > len("https://"),
                          f"link texts {[link['text'] for link in links]}")
        self.report.check("the other link shows an e-mail address",
                          "mail" in self.links and self.links["mail"]["text"].index("@") > 0,
                          f"link texts {[link['text'] for link in links]}")
        for name, link in self.links.items():
            print(f"note: {name} link text {link['text']!r} at {link['rect']}", flush=True)
            self.report.check(f"{name} link lies inside the client area",
                              inside(link["rect"][:2], self.client_rect(info))
                              and link["rect"][2] <= self.client_rect(info)[2], f"{link}")

        # Everything of the client area that no child covers is the black background.
        client_rect = self.client_rect(info)
        rows = grab(client_rect)
        covered = [c["rect"] for c in children if c["visible"]]
        stray = []
        for y, row in enumerate(rows):
            for x, pixel in enumerate(row):
                point = (client_rect[0] + x, client_rect[1] + y)
                if pixel != BLACK and not any(inside(point, rect) for rect in covered):
                    stray.append((point, pixel))
        self.report.check("About client area is black around its controls", not stray,
                          f"{len(stray)} other pixels, first {stray[:3]}")
        for name, link in self.links.items():
            shown = grab(link["rect"])
            self.report.check(f"{name} link drawn white on black before hovering",
                              count_colour(shown, WHITE) > 0 and count_colour(shown, RED) == 0,
                              f"white {count_colour(shown, WHITE)} red {count_colour(shown, RED)}")
        return info

    @staticmethod
    def client_rect(info):
        left, top = info["client_origin"]
        client = info["client"]
        return [left, top, left + client[2] - client[0], top + client[3] - client[1]]

    def hover(self, name, info):
        link = self.links[name]
        spot = centre(link["rect"])
        moved = self.driver.one("pointer", "--at", f"{spot[0]},{spot[1]}")
        self.report.equal(f"hover {name}: the pointer is over the link", moved["under"],
                          link["hwnd"])
        rows = self.wait_for_link_colour(link, RED)
        self.report.check(f"hover {name}: link text turns red",
                          count_colour(rows, RED) > 0 and count_colour(rows, WHITE) == 0,
                          f"red {count_colour(rows, RED)} white {count_colour(rows, WHITE)}")
        screenshot(self.s.artifact(f"about-window-hover-{name}.png"), crop=info["rect"])
        # The colour and the hint come from the same pointer message, which is handled by now.
        self.driver.sync(self.about_hwnd)
        self.report.equal(f"hover {name}: no pop-up hint window", self.visible_hints(), [])
        # Off the link, onto the black background right of the links.
        client = self.client_rect(info)
        away = (client[2] - 4, spot[1])
        self.driver.one("pointer", "--at", f"{away[0]},{away[1]}")
        rows = self.wait_for_link_colour(link, WHITE)
        self.report.check(f"leave {name}: link text white again",
                          count_colour(rows, WHITE) > 0 and count_colour(rows, RED) == 0,
                          f"red {count_colour(rows, RED)} white {count_colour(rows, WHITE)}")
        self.report.equal(f"leave {name}: still no pop-up hint window", self.visible_hints(), [])

    def click(self, name, target):
        link = self.links[name]
        spot = centre(link["rect"])
        before = len(self.recorder.records())
        clicked = self.driver.one("click-at", "--at", f"{spot[0]},{spot[1]}")
        self.report.equal(f"click {name}: the press lands on the link", clicked["under"],
                          link["hwnd"])
        self.expected_records.append(target)
        records = self.recorder.wait_for(before + 1)
        self.report.equal(f"click {name}: the shell is asked to open {target!r}",
                          [r["args"] for r in records[before:]], [[target]])
        self.report.equal(f"click {name}: no pop-up hint window", self.visible_hints(), [])
        self.report.check(f"click {name}: About window still open",
                          [w["hwnd"] for w in self.about_windows()] == [self.about_hwnd])

    def about(self):
        about = self.show_about("first showing", START_PLACE)
        info = self.about_look(about)
        if not screenshot(self.s.artifact("about-window.png"), crop=info["rect"]):
            self.report.check("about-window.png written", False)
        if set(self.links) != {"url", "mail"}:
            raise DriverError("the two links were not found; cannot go on with them")
        for name in ("url", "mail"):
            self.hover(name, info)
        # A right click is no request to open: the only records must be the left clicks'.
        spot = centre(self.links["url"]["rect"])
        self.driver.one("click-at", "--at", f"{spot[0]},{spot[1]}", "--button", "right")
        self.click("url", self.links["url"]["text"])
        self.click("mail", "mailto:" + self.links["mail"]["text"])
        self.close_about("first showing")

        main = self.main_now()
        width, height = main["rect"][2] - main["rect"][0], main["rect"][3] - main["rect"][1]
        # No window manager, so no frame to drag: the driver moves the window with SetWindowPos.
        self.driver.one("move", "--hwnd", self.main["hwnd"], "--rect",
                        f"{MOVED_PLACE[0]},{MOVED_PLACE[1]},{width},{height}")
        again = self.show_about("after moving the main window", MOVED_PLACE)
        shown = self.driver.one("inspect", "--hwnd", again["hwnd"])
        label = [c for c in shown["children"] if c["class"].lower() == "static" and c["text"]]
        self.report.check("shown again: first label still shows the application title",
                          bool(label) and label[0]["text"] == T.TITLE)
        self.close_about("second showing")

    def readme(self):
        program_folder = self.velkin.folder
        expected = windows_path(os.path.join(program_folder, "README.TXT"))
        before_windows = {w["hwnd"] for w in self.driver.windows()}
        before = len(self.recorder.records())

        # Without README.TXT beside the program (the current directory has one). The command
        # shows nothing; it is done once a command posted after it has shown its effect.
        self.s.invoke(T.HELP_MENU, T.README)
        self.s.after_posted_commands()
        self.report.equal("no README.TXT: no message box", self.driver.windows(T.DIALOG_CLASS), [])
        new_windows = [w for w in self.driver.windows() if w["hwnd"] not in before_windows]
        self.report.equal("no README.TXT: no new window at all",
                          [(w["class"], w["caption"]) for w in new_windows], [])
        self.report.check("no README.TXT: Velkin keeps running", self.velkin.running())
        self.report.check("no README.TXT: main window enabled", self.main_now()["enabled"])

        # With README.TXT beside the program.
        shutil.copy2(self.decoy, os.path.join(program_folder, "README.TXT"))
        self.s.invoke(T.HELP_MENU, T.README)
        self.expected_records.append(expected)
        records = self.recorder.wait_for(before + 1)
        self.report.equal("README.TXT: the shell is asked to open the program folder's file",
                          [r["args"] for r in records[before:]], [[expected]])
        self.report.check("README.TXT: Velkin keeps running", self.velkin.running())
        self.report.equal("README.TXT: no message box", self.driver.windows(T.DIALOG_CLASS), [])

    def all_records(self):
        # Last: a request that came late (a right click, the missing readme, the current
        # directory's README.TXT) would show here as a record too many or out of place.
        records = self.recorder.records()
        self.report.equal("the shell was asked exactly for these, in this order",
                          [r["args"] for r in records], [[t] for t in self.expected_records])


if __name__ == "__main__":
    sys.exit(run_suite("about", __doc__.splitlines()[0], AboutTest,
                       options=[("--recorder", "shell_recorder.exe")]))
