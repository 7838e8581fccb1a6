#!/usr/bin/env bash
# Builds Velkin.exe and starts it under Wine on the current X display when there is one, with
# the real 7-Zip (7z.exe, installed in the Wine prefix by real-7zip.sh) as its archiver.
# Without a display, it does the whole job once in the demo folder on a private X server, the
# way a user would (scripts/run_demo.py): sample files, two drops, Start, Yes, the closing box,
# a screenshot of the statuses, File > Exit, and the archives listed by 7-Zip.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

fail() {
    echo "run.sh: $*" >&2
    exit 1
}

scripts/setup-machine.sh
cmake --preset windows >/dev/null || fail "CMake could not configure the windows preset"
cmake --build --preset windows --target Velkin velkin_driver ||
    fail "the build failed (see above)"

build_dir=$root/build/windows
demo=$build_dir/demo
mkdir -p "$demo"
cp -f "$build_dir/bin/Velkin.exe" "$build_dir/bin/README.TXT" "$demo/"

wine_env "$build_dir/wineprefix" || fail "the Wine prefix $WINEPREFIX could not be made"
scripts/real-7zip.sh "$build_dir" || fail "the real 7-Zip could not be fetched (see above)"

# The demo's archiver is the real 7-Zip's console program, with the profiles Velkin starts
# with for the 7-Zip family (a settings file made here has none). Real use with WinRAR needs
# WinRAR, which cannot be installed here.
seven_zip='C:\Program Files\7-Zip\7z.exe'
if ! grep -qF "WinRARPath=$seven_zip" "$demo/Velkin.ini" 2>/dev/null; then
    printf '[Main]\r\nWinRARPath=%s\r\n' "$seven_zip" >"$demo/Velkin.ini"
fi
echo "Demo folder: $demo (archiver: $seven_zip in the Wine prefix)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Starting Velkin on $DISPLAY"
    exec wine "$demo/Velkin.exe"
fi

echo "No display: the whole job once on a private X server"
scripts/with-wine-session.sh "$build_dir" python3 scripts/run_demo.py --demo "$demo" \
    --driver "$build_dir/bin/velkin_driver.exe" --screenshot "$build_dir/screenshots/velkin.png" \
    --build "$build_dir/host" --seven-zip "$build_dir/7zip/linux/x64/7zz" || fail "the demo did not finish (the line above says why)"
