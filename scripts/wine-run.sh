#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the build tree's own prefix; without a
# program, only makes that prefix.
# Usage: wine-run.sh BUILD_DIR [PROGRAM [ARGS...]]
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
wine_env "$1/wineprefix"
shift
[ $# -eq 0 ] || exec wine "$@"
