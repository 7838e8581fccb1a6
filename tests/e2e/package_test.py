#!/usr/bin/env python3
"""End-to-end test of the release zip: what it holds, what the program in it needs from Windows,
and that the program unpacked into an empty folder starts there alone and ends with exit code 0.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  package_test.py --velkin Velkin.exe ... --zip Velkin-<version>-win64.zip --readme README.TXT
                  --version 0.7.5.9
"""

import os
import re
import struct
import sys
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import Suite, run_suite  # noqa: E402

# DLLs of Windows itself that a program like Velkin may import. The C++ runtime, zlib and the
# like must be linked in: a DLL of theirs would not be on the user's machine.
WINDOWS_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    "ole32.dll", "oleaut32.dll", "advapi32.dll", "shlwapi.dll", "uxtheme.dll", "version.dll",
    "msvcrt.dll",
}
VS_FIXEDFILEINFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)


class PeImage:
    """The parts of a 64-bit PE image this suite reads."""

    def __init__(self, data):
        self.data = data
        header = struct.unpack_from("<I", data, 0x3C)[0]
        count, optional_size = struct.unpack_from("<H12xH", data, header + 6)
        self.directories = header + 24 + 112  # PE32+ optional header
        self.sections = []
        for index in range(count):
            at = header + 24 + optional_size + 40 * index
            size, address, raw_size, raw_at = struct.unpack_from("<4I", data, at + 8)
            self.sections.append((address, max(size, raw_size), raw_at, raw_size))

    def offset(self, rva):
        """The file offset of an address of the loaded image, or None where nothing is stored."""
        for address, size, raw_at, raw_size in self.sections:
            if address <= rva < address + min(size, raw_size):
                return raw_at + rva - address
        return None

    def mapped(self, rva):
        return any(address <= rva < address + size for address, size, _, _ in self.sections)

    def name(self, rva):
        at = self.offset(rva)
        if at is None:
            return None
        end = self.data.find(b"\0", at, at + 256)
        return self.data[at:end].decode("ascii", errors="replace") if end > at else None

    def imports(self):
        """The DLLs the import directory names: loaded with the program."""
        rva = struct.unpack_from("<I", self.data, self.directories + 8)[0]
        at, names = self.offset(rva), []
        while at is not None:
            descriptor = struct.unpack_from("<5I", self.data, at)
            if not any(descriptor):
                break
            names.append(self.name(descriptor[3]))
            at += 20
        return names

    def delay_imports(self):
        """The DLLs loaded at the first call. ld leaves the delay-import directory of MinGW's
        delay-load libraries empty, so their descriptors are found by their shape: attributes 1,
        the addresses of the DLL's name, handle, address table and name table, three zeros."""
        names = []
        for found in re.finditer(re.escape(struct.pack("<I", 1)), self.data):
            if found.start() % 4 or found.start() + 32 > len(self.data):
                continue
            _, name, handle, table, names_table, *zeros = struct.unpack_from(
                "<8I", self.data, found.start())
            if any(zeros) or not all(self.mapped(r) for r in (name, handle, table, names_table)):
                continue
            dll = self.name(name)
            if dll and re.fullmatch(r"[\w.-]+\.dll", dll, re.IGNORECASE):
                names.append(dll)
        return names

    def file_version(self):
        at = self.data.find(VS_FIXEDFILEINFO_SIGNATURE)
        if at < 0:
            return None
        high, low = struct.unpack_from("<II", self.data, at + 8)
        return f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"


class PackageTest(Suite):
    def __init__(self, session):
        super().__init__(session)
        self.folder = os.path.join(session.work, "unpacked")

    def plans(self):
        return [("package", [self.contents, self.windows_dlls, self.starts_alone])]

    def contents(self):
        with zipfile.ZipFile(self.args.zip) as archive:
            self.report.equal("the zip holds Velkin.exe and README.TXT at its top, nothing else",
                              archive.namelist(), ["Velkin.exe", "README.TXT"])
            with open(self.args.readme, "rb") as readme:
                self.report.check("its README.TXT is the users' guide byte for byte (Shift-JIS, "
                                  "CR LF)", archive.read("README.TXT") == readme.read())
            with open(self.args.velkin, "rb") as built:
                self.report.check("its Velkin.exe is the release build",
                                  archive.read("Velkin.exe") == built.read())
            os.makedirs(self.folder)
            archive.extractall(self.folder)

    def windows_dlls(self):
        with open(os.path.join(self.folder, "Velkin.exe"), "rb") as exe:
            image = PeImage(exe.read())
        loaded, delayed = image.imports(), image.delay_imports()
        print(f"note: imports {', '.join(loaded)}; delay-loaded {', '.join(delayed)}", flush=True)
        self.report.check("the import table and the delay-load descriptors were read",
                          "kernel32.dll" in map(str.lower, loaded) and bool(delayed),
                          f"imports {loaded}, delay-loaded {delayed}")
        self.report.equal("every DLL it imports ships with Windows",
                          sorted({dll.lower() for dll in loaded + delayed} - WINDOWS_DLLS), [])
        self.report.equal("the version resource carries the project's version",
                          image.file_version(), self.args.version)

    def starts_alone(self):
        # The unpacked folder is the program folder: the harness starts the Velkin.exe it finds
        # there and keeps its own files (Wine's output) outside.
        velkin = self.s.start(folder=self.folder)
        self.report.check("with no Velkin.ini beside it, it first asks for WinRAR.exe",
                          velkin.prompt_seen)
        self.report.equal("then its main window shows", self.s.main["caption"], T.TITLE)
        self.s.driver.close(self.s.main["hwnd"])
        self.s.expect_exit("the unpacked Velkin, closed")


if __name__ == "__main__":
    sys.exit(run_suite("package", __doc__.splitlines()[0], PackageTest,
                       options=[("--zip", "the release zip"),
                                ("--readme", "the users' guide it must hold"),
                                ("--version", "the project's version, four numbers")]))
