#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the build tree's own prefix.
# Usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
set -euo pipefail
. "$(dirname "$0")/fixed-address-layout.sh"
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$1
shift
export WINEPREFIX=${VELKIN_WINEPREFIX:-$build_dir/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
