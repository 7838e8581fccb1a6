# Sourced at the top of every script that starts Wine programs: the one place that says how
# Velkin's Wine programs run.
#
# First it runs the calling script again with the address space layout not randomized, once,
# where the system allows it. Debian's Wine has no preloader, so nothing keeps Linux's randomly
# placed heap of the Wine loader off the fixed address where every Wine process maps its shared
# user data. Now and then (about one start in a thousand) it lies there, and Wine ends the new
# process with exit code 1: "failed to map the shared user data: c0000018". With the layout
# fixed, that heap always starts just after the loader, far below that address.
if [ -z "${VELKIN_FIXED_ADDRESS_LAYOUT:-}" ]; then
    export VELKIN_FIXED_ADDRESS_LAYOUT=1
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        exec setarch "$(uname -m)" -R bash "$0" "$@"
    fi
    echo "note: the address space layout stays randomized here; a Wine start may fail now and then" >&2
fi

# wine_env PREFIX: exports what every Wine program of Velkin's runs with, in the Wine prefix
# PREFIX (or VELKIN_WINEPREFIX, when set), and makes the prefix if it is not there yet.
wine_env() {
    # Wine takes only an absolute path.
    WINEPREFIX=$(realpath -m "${VELKIN_WINEPREFIX:-$1}")
    export WINEPREFIX
    # Wine's own errors only: they are rare in a good run, and a program that Wine fails to start
    # or that dies inside Wine otherwise leaves no trace at all.
    export WINEDEBUG=${WINEDEBUG:--all,err+all}
    # Wine takes its ANSI code page (Shift-JIS, 932) from the Japanese locale.
    export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    # Mono and Gecko are not needed and would ask to be downloaded.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    [ -f "$WINEPREFIX/.velkin-ready" ] || wine_make_prefix
}

# Japanese fonts in place of the Windows ones, and no crash dialogs. Each step is checked by
# hand: set -e does not hold inside a function whose status the caller tests, as run.sh does.
wine_make_prefix() (
    mkdir -p "$WINEPREFIX" || exit 1
    wine wineboot --init >/dev/null 2>&1 || true
    regfile=$(mktemp --suffix=.reg) || exit 1
    trap 'rm -f "$regfile"' EXIT
    {
        printf 'REGEDIT4\n\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
        for font in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "MS Sans Serif" \
                    "ＭＳ Ｐゴシック" "MS PGothic" "ＭＳ ゴシック" "MS Gothic" "Meiryo UI"; do
            printf '"%s"="IPAPGothic"\n' "$font"
        done
        printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n'
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$regfile" || exit 1
    wine regedit /S "$(winepath -w "$regfile" 2>/dev/null)" >/dev/null 2>&1 || exit 1
    wineserver -w
    touch "$WINEPREFIX/.velkin-ready"
)
