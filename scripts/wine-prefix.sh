#!/usr/bin/env bash
# Makes a Wine prefix for Velkin (if it does not exist yet): Japanese code page through the
# locale, Japanese fonts in place of the Windows ones, no crash dialogs.
# Usage: wine-prefix.sh PREFIX_DIR
set -euo pipefail
. "$(dirname "$0")/fixed-address-layout.sh"
prefix=$1
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# Mono and Gecko are not needed and would ask to be downloaded.
export WINEDLLOVERRIDES="mscoree,mshtml="

[ -f "$prefix/.velkin-ready" ] && exit 0
mkdir -p "$prefix"
wine wineboot --init >/dev/null 2>&1 || true

regfile=$(mktemp --suffix=.reg)
trap 'rm -f "$regfile"' EXIT
{
    printf 'REGEDIT4\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
    for font in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS Sans Serif" \
                "ＭＳ Ｐゴシック" "MS PGothic" "ＭＳ ゴシック" "MS Gothic" "Meiryo UI"; do
        printf '"%s"="IPAPGothic"\n' "$font"
    done
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$regfile"
wine regedit /S "$(winepath -w "$regfile")" >/dev/null 2>&1
wineserver -w
touch "$prefix/.velkin-ready"
