#!/usr/bin/env bash
# Runs a command with a private X display (Xvfb) and a running wineserver for the build tree's
# Wine prefix, and stops both afterwards, whatever the command did. Beside the X server runs
# wm_state (see wm_state.c): without it, Wine waits two seconds whenever it hides a window.
# Usage: with-wine-session.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail
. "$(dirname "$0")/fixed-address-layout.sh"
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "$1" && pwd)
shift

export WINEPREFIX=${VELKIN_WINEPREFIX:-$build_dir/wineprefix}
# Wine's own errors only: they are rare in a good run, and a program that Wine fails to start
# or that dies inside Wine otherwise leaves no trace at all.
export WINEDEBUG=${WINEDEBUG:--all,err+all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX"
# A wineserver left from Wine programs run without this session's display (it lingers a few
# seconds after its last program) would be joined by the session's programs, display and all;
# one still serving another session on this prefix would be ended by this one's clean-up.
if ! timeout 5 wineserver -w; then
    echo "with-wine-session.sh: waiting for the Wine programs running in $WINEPREFIX to end" >&2
    timeout 600 wineserver -w ||
        { echo "with-wine-session.sh: Wine programs in $WINEPREFIX still run after 10 minutes" >&2; exit 1; }
fi

wm_state=$build_dir/host/wm_state
if [ ! -x "$wm_state" ] || [ "$here/wm_state.c" -nt "$wm_state" ]; then
    mkdir -p "$build_dir/host"
    cc -O2 -Wall -Wextra -o "$wm_state.$$" "$here/wm_state.c" -lX11
    mv -f "$wm_state.$$" "$wm_state"
fi

xvfb_pid=""
wm_state_pid=""
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -z "$wm_state_pid" ] || kill "$wm_state_pid" >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" >/dev/null 2>&1 || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

# A free display number; sessions started side by side may race for one, and the loser's
# X server ends at once, so the next number is tried. The server is ours once its lock file
# names it and its socket is there.
display=""
for n in $(seq 91 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 600); do
        if [ -S "/tmp/.X11-unix/X$n" ] &&
            [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$xvfb_pid" ]; then
            display=$n
            break 2
        fi
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$xvfb_pid" >/dev/null 2>&1 || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
done
[ -n "$display" ] || { echo "no X display could be started" >&2; exit 1; }
export DISPLAY=":$display"
export VELKIN_PRIVATE_DISPLAY=1
coproc WM_STATE { exec "$wm_state"; }
wm_state_pid=$WM_STATE_PID
read -r -t 60 ready <&"${WM_STATE[0]}" && [ "$ready" = ready ] ||
    { echo "wm_state did not start on $DISPLAY" >&2; exit 1; }
wineserver -p >/dev/null 2>&1 || true
# Start Wine's own background processes now, detached from our output: a test runner that
# waits for its test's output to close would otherwise wait for them as well.
wine wineboot >/dev/null 2>&1 </dev/null || true

set +e
"$@"
status=$?
set -e
exit "$status"
