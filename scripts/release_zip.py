#!/usr/bin/env python3
"""Packs files into a zip whose bytes depend only on theirs and on the given time, and writes
SHA256SUMS beside it in sha256sum's form.

The entries go in the order given, under their base names, each dated SOURCE_DATE_EPOCH (in
UTC; zip dates start in 1980), as a regular file with permissions 644, deflated at level 9.
Nothing of the machine, the folder or the clock goes in.

Usage: release_zip.py --epoch SECONDS --output DIR/NAME.zip FILE...
"""

import argparse
import hashlib
import os
import time
import zipfile

ZIP_EARLIEST = 315532800  # 1980-01-01 00:00:00 UTC
UNIX = 3  # the "made by" system that gives the upper half of the attributes as a file mode
REGULAR_FILE_644 = 0o100644 << 16


def entry(name, epoch):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(max(epoch, ZIP_EARLIEST))[:6])
    info.create_system = UNIX
    info.external_attr = REGULAR_FILE_644
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--epoch", type=int, required=True, help="SOURCE_DATE_EPOCH")
    parser.add_argument("--output", required=True, help="the zip to write")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    folder = os.path.dirname(os.path.abspath(args.output))
    os.makedirs(folder, exist_ok=True)
    # Written aside and then renamed, so that a stopped build leaves no half zip that looks new.
    partial = args.output + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for path in args.files:
            with open(path, "rb") as f:
                archive.writestr(entry(os.path.basename(path), args.epoch), f.read(),
                                 compresslevel=9)
    with open(partial, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    os.replace(partial, args.output)
    with open(os.path.join(folder, "SHA256SUMS"), "w", encoding="ascii", newline="\n") as sums:
        sums.write(f"{digest}  {os.path.basename(args.output)}\n")


if __name__ == "__main__":
    main()
