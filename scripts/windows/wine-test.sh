#!/bin/sh
# ctest's emulator for the cross-built suites (cmake/mingw-w64-x86_64.cmake): runs one test
# program under Debian's wine64, in the prefix tests/CMakeLists.txt names (WINEPREFIX).
#
# umask 077: Wine makes a file's access list from its Unix mode (what others may read, Everyone
# may read), while the folders where a Windows program keeps its temporary files are private to
# its user. With this mask the suites' files are private too, as there. It counts for the files
# the prefix's wineserver creates, so it must be in force when that server starts: here.
umask 077
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=/usr/lib/wine/wine64
# The first program in a new prefix makes it; suites started side by side wait for that.
if [ -n "${WINEPREFIX:-}" ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    flock "$WINEPREFIX.lock" sh -c \
        '[ -f "$WINEPREFIX/system.reg" ] || { "$0" wineboot -i && "${0%/*}/wineserver" -w; }' "$wine" \
        >/dev/null 2>&1
fi
# Qt Test writes its log to the debugger's output instead of stdout when the program has no
# console window, which is the case under Wine: it goes to a file, printed after the run.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
"$wine" "$@" -o "Z:$log,txt" || status=$?
cat "$log"
exit "$status"
