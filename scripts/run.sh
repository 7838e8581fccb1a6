#!/usr/bin/env bash
# Builds Velkin.exe and starts it under Wine: on the current X display when there is one,
# otherwise on a private Xvfb, where a screenshot is taken and the program closed again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup-machine.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Velkin velkin_standin_archiver

build_dir=$root/build/windows
demo=$build_dir/demo
mkdir -p "$demo"
cp -f "$build_dir/bin/Velkin.exe" "$build_dir/bin/README.TXT" "$build_dir/bin/StandInArchiver.exe" "$demo/"

export WINEPREFIX=$build_dir/wineprefix
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
scripts/wine-prefix.sh "$WINEPREFIX"

# The demo uses the project's stand-in archiver (WinRAR cannot be installed here): it writes
# real ZIP archives and logs every run to stand-in.log in the demo folder. Real use needs WinRAR.
if [ ! -f "$demo/Velkin.ini" ]; then
    standin=$(winepath -w "$demo/StandInArchiver.exe" 2>/dev/null)
    printf '[Main]\r\nWinRARPath=%s\r\n' "$standin" | iconv -f UTF-8 -t CP932 >"$demo/Velkin.ini"
fi
export VELKIN_STANDIN_LOG=$demo/stand-in.log
echo "Demo folder: $demo (archiver: the stand-in, log: $VELKIN_STANDIN_LOG)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Starting Velkin on $DISPLAY"
    exec wine "$demo/Velkin.exe"
fi

shot=$build_dir/screenshots/velkin.png
mkdir -p "$(dirname "$shot")"
scripts/with-wine-session.sh "$build_dir" bash -c '
    wine "$1" &
    for _ in $(seq 1 50); do
        sleep 0.2
        xwininfo -root -tree 2>/dev/null | grep -q "Velkin 070509" && break
    done
    sleep 1
    import -window root "$2"
    wineserver -k
' run "$demo/Velkin.exe" "$shot"
echo "No display: Velkin ran on a private X server; screenshot saved to $shot"
