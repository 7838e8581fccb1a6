#!/usr/bin/env bash
# Runs a command with a private X display (Xvfb) and a running wineserver for the build tree's
# Wine prefix, and stops both afterwards, whatever the command did. Beside the X server runs
# wm_state (see wm_state.c): without it, Wine waits two seconds whenever it hides a window.
# Sessions started side by side each get a display of their own.
# Usage: with-wine-session.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "$1" && pwd)
shift
wine_env "$build_dir/wineprefix"
wm_state=$build_dir/host/wm_state

if [ -z "${VELKIN_PRIVATE_DISPLAY:-}" ]; then
    # A wineserver left from Wine programs run without this session's display (it lingers a few
    # seconds after its last program) would be joined by the session's programs, display and
    # all; one still serving another session on this prefix would be ended by this one's
    # clean-up.
    if ! timeout 5 wineserver -w; then
        echo "with-wine-session.sh: waiting for the Wine programs running in $WINEPREFIX to end" >&2
        timeout 600 wineserver -w || {
            echo "with-wine-session.sh: Wine programs in $WINEPREFIX still run after 10 minutes" >&2
            exit 1
        }
    fi
    if [ ! -x "$wm_state" ] || [ "$here/wm_state.c" -nt "$wm_state" ]; then
        mkdir -p "$build_dir/host"
        cc -O2 -Wall -Wextra -o "$wm_state.$$" "$here/wm_state.c" -lX11
        mv -f "$wm_state.$$" "$wm_state"
    fi
    # The script again, on a display of its own: xvfb-run takes the first free display number
    # and, when a session started beside this one takes the same number first, the next one.
    export VELKIN_PRIVATE_DISPLAY=1
    exec xvfb-run --auto-servernum --server-num=91 --server-args="-screen 0 1280x800x24" \
        bash "$here/with-wine-session.sh" "$build_dir" "$@"
fi

wm_state_pid=""
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    [ -z "$wm_state_pid" ] || kill "$wm_state_pid" >/dev/null 2>&1 || true
}
trap cleanup EXIT

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
