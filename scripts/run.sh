#!/usr/bin/env bash
# Builds Velkin.exe and starts it under Wine on the current X display when there is one.
# Without a display, it does the whole job once in the demo folder on a private X server, the
# way a user would (scripts/run_demo.py): sample files, two drops, Start, Yes, the closing box,
# a screenshot of the statuses, File > Exit, and the archives listed with their contents.
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
cmake --build --preset windows --target Velkin velkin_standin_archiver velkin_driver ||
    fail "the build failed (see above)"

build_dir=$root/build/windows
demo=$build_dir/demo
mkdir -p "$demo"
cp -f "$build_dir/bin/Velkin.exe" "$build_dir/bin/README.TXT" "$build_dir/bin/StandInArchiver.exe" "$demo/"

wine_env "$build_dir/wineprefix" || fail "the Wine prefix $WINEPREFIX could not be made"

# The demo uses the project's stand-in archiver (WinRAR cannot be installed here): it writes
# real ZIP archives and logs every run to stand-in.log in the demo folder. Real use needs WinRAR.
# Paths as Windows programs see them: Wine shows the Unix file system as drive Z:. (Not by
# winepath: a Wine process started here, without the session's display, would leave a
# wineserver behind that the session's programs then join.)
windows_path() {
    local path=$1
    printf 'Z:%s' "${path//\//\\}"
}
if [ ! -f "$demo/Velkin.ini" ]; then
    printf '[Main]\r\nWinRARPath=%s\r\n' "$(windows_path "$demo/StandInArchiver.exe")" |
        iconv -f UTF-8 -t CP932 >"$demo/Velkin.ini"
fi
VELKIN_STANDIN_LOG=$(windows_path "$demo/stand-in.log")
export VELKIN_STANDIN_LOG
echo "Demo folder: $demo (archiver: the stand-in, log: $demo/stand-in.log)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Starting Velkin on $DISPLAY"
    exec wine "$demo/Velkin.exe"
fi

echo "No display: the whole job once on a private X server"
scripts/with-wine-session.sh "$build_dir" python3 scripts/run_demo.py --demo "$demo" \
    --driver "$build_dir/bin/velkin_driver.exe" --screenshot "$build_dir/screenshots/velkin.png" \
    --build "$build_dir/host" || fail "the demo did not finish (the line above says why)"
