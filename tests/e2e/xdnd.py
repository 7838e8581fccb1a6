"""Real XDND drag-and-drop of files onto a window of the test's X display.

The drop is made by xdnd_drop (xdnd_drop.c and its parts beside this file), a small Xlib
program that plays the part of a Linux file manager; Wine turns the drop into WM_DROPFILES for
the Windows window under the drop point. The program is compiled with the host's `cc` the first time it is needed
(and again whenever a source is newer than the binary).
`host_program` compiles the suites' other Xlib helpers the same way.

    import xdnd
    xdnd.drop(["/tmp/x/表.txt"], window_name="Velkin 070509", build_dir=build)
    xdnd.drop(paths, x=640, y=400, build_dir=build)

Standard library only.
"""

from __future__ import annotations

import os
import re
import subprocess
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCES = [HERE / name for name in ("xdnd_drop.c", "xdnd_payloads.c", "xdnd_windows.c")]
HEADER = HERE / "xdnd_drop.h"

# The exit codes of xdnd_drop.
EXIT_USAGE = 2
EXIT_NO_TARGET = 3
EXIT_REFUSED = 4
EXIT_TIMEOUT = 5


class XdndError(RuntimeError):
    """The drop did not complete; `returncode` is xdnd_drop's exit code, `stderr` its message."""

    def __init__(self, message: str, returncode: int | None = None, stderr: str = ""):
        super().__init__(message)
        self.returncode = returncode
        self.stderr = stderr


_SERVED = re.compile(r"^served (.+): (\d+) time\(s\), (\d+) bytes, (\d+) incrementally in (\d+) chunk\(s\)$")


@dataclass
class Served:
    times: int
    size: int
    incremental: int  # how many of the times went through INCR
    chunks: int


@dataclass
class DropResult:
    count: int
    stdout: str  # xdnd_drop's summary: target window, version, action, what was served
    served: dict[str, Served] = field(default_factory=dict)  # by target name


def wine_path(unix_path: str | os.PathLike) -> str:
    """The Windows path under which a program running under Wine receives a dropped Unix path:
    Wine shows the whole Unix file system as drive Z:, so /tmp/x/表.txt arrives as
    Z:\\tmp\\x\\表.txt, a folder without a trailing backslash, and / as Z:\\.
    Not for paths inside the Wine prefix: <prefix>/drive_c/x arrives as C:\\x."""
    return "Z:" + os.fspath(unix_path).replace("/", "\\")


def ensure_built(build_dir: str | os.PathLike) -> Path:
    """Compiles xdnd_drop into build_dir if it is missing or older than its source."""
    return host_program(build_dir, "xdnd_drop", SOURCES + [HEADER])


def host_program(build_dir: str | os.PathLike, name: str, sources: list[Path]) -> Path:
    """Compiles an Xlib helper from its C sources (headers among them) into build_dir if it is
    missing or older than a source."""
    build = Path(build_dir)
    build.mkdir(parents=True, exist_ok=True)
    exe = build / name
    newest = max(source.stat().st_mtime for source in sources)
    if exe.exists() and exe.stat().st_mtime >= newest:
        return exe
    # Compiled under a private name and renamed, so that tests running side by side never
    # execute a half-written binary.
    fd, tmp_name = tempfile.mkstemp(prefix=name + ".", dir=build)
    os.close(fd)
    try:
        result = subprocess.run(
            ["cc", "-O2", "-Wall", "-Wextra", "-o", tmp_name,
             *[str(source) for source in sources if source.suffix == ".c"], "-lX11"],
            capture_output=True, text=True)
        if result.returncode != 0:
            raise XdndError("cannot compile %s:\n%s%s" % (name, result.stdout, result.stderr),
                            result.returncode, result.stderr)
        os.chmod(tmp_name, 0o755)
        os.replace(tmp_name, exe)
    finally:
        if os.path.exists(tmp_name):
            os.unlink(tmp_name)
    return exe


def drop(paths, *, build_dir: str | os.PathLike, x: int | None = None, y: int | None = None,
         window_name: str | None = None, timeout_ms: int = 30000, wait_ms: int = 0,
         types: list[str] | None = None, incr_threshold: int | None = None,
         warp: bool = True, verbose: bool = False) -> DropResult:
    """Drops the absolute Unix paths at (x, y) of the root window, or onto the top-level
    window titled window_name (at its centre, or at (x, y) inside it).

    wait_ms: how long to wait for the named window to appear; timeout_ms bounds the XDND
    exchange itself. types: the offered targets, in order (xdnd_drop's default imitates a
    file manager). Raises XdndError unless the target accepted and finished the drop.
    """
    paths = [os.fspath(p) for p in paths]
    if not paths:
        raise ValueError("no paths to drop")
    for p in paths:
        if not p.startswith("/"):
            raise ValueError("not an absolute path: %r" % p)
        if "\0" in p:
            raise ValueError("NUL in path: %r" % p)
    if window_name is None and (x is None or y is None):
        raise ValueError("give x and y, or window_name")
    if (x is None) != (y is None):
        raise ValueError("x and y go together")

    cmd = [str(ensure_built(build_dir)), "--timeout-ms", str(timeout_ms), "--paths-from", "-"]
    if window_name is not None:
        cmd += ["--window-name", window_name, "--wait-ms", str(wait_ms)]
    if x is not None:
        cmd += ["--x", str(x), "--y", str(y)]
    if types:
        cmd += ["--types", ",".join(types)]
    if incr_threshold is not None:
        cmd += ["--incr-threshold", str(incr_threshold)]
    if not warp:
        cmd.append("--no-warp")
    if verbose:
        cmd.append("--verbose")

    # The paths go through stdin: a large drop would not fit on a command line.
    data = b"".join(os.fsencode(p) + b"\0" for p in paths)
    # xdnd_drop bounds every wait itself; this only guards against it being stopped.
    limit = (timeout_ms + wait_ms) / 1000.0 + 30
    try:
        result = subprocess.run(cmd, input=data, capture_output=True, timeout=limit)
    except subprocess.TimeoutExpired as e:
        raise XdndError("xdnd_drop did not end within %.0f s" % limit) from e
    stdout = result.stdout.decode("utf-8", "replace")
    stderr = result.stderr.decode("utf-8", "replace")
    if result.returncode != 0:
        message = stderr.strip() or "xdnd_drop failed with exit code %d" % result.returncode
        raise XdndError(message, result.returncode, stderr)
    served = {}
    for line in stdout.splitlines():
        m = _SERVED.match(line)
        if m:
            served[m.group(1)] = Served(*(int(g) for g in m.groups()[1:]))
    return DropResult(count=len(paths), stdout=stdout, served=served)
