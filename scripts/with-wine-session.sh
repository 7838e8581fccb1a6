#!/usr/bin/env bash
# Runs a command with a private X display (Xvfb) and a running wineserver for the build tree's
# Wine prefix, and stops both afterwards, whatever the command did.
# Usage: with-wine-session.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "$1" && pwd)
shift

export WINEPREFIX=${VELKIN_WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX"

display=""
for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }

Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb_pid" >/dev/null 2>&1 || true
    wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done
export DISPLAY=":$display"
export VELKIN_PRIVATE_DISPLAY=1
wineserver -p >/dev/null 2>&1 || true
# Start Wine's own background processes now, detached from our output: a test runner that
# waits for its test's output to close would otherwise wait for them as well.
wine wineboot >/dev/null 2>&1 </dev/null || true

set +e
"$@"
status=$?
set -e
exit "$status"
