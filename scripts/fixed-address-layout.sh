# Sourced at the top of the scripts that start Wine programs: runs the calling script again with
# the address space layout not randomized, once, where the system allows it.
#
# Debian's Wine has no preloader, so nothing keeps Linux's randomly placed heap of the Wine
# loader off the fixed address where every Wine process maps its shared user data. Now and then
# (about one start in a thousand) it lies there, and Wine ends the new process with exit code 1:
# "failed to map the shared user data: c0000018". With the layout fixed, that heap always
# starts just after the loader, far below that address.
if [ -z "${VELKIN_FIXED_ADDRESS_LAYOUT:-}" ]; then
    export VELKIN_FIXED_ADDRESS_LAYOUT=1
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        exec setarch "$(uname -m)" -R bash "$0" "$@"
    fi
    echo "note: the address space layout stays randomized here; a Wine start may fail now and then" >&2
fi
