#!/usr/bin/env bash
# Runs a command with a throwaway Secret Service for the stored-password suites: a
# gnome-keyring-daemon (secrets only) in a D-Bus session of its own, whose login keyring is
# created and unlocked here, with its own data and runtime folders in a temporary folder
# (TARVELIN_KEYRING_DIR) that is removed when the command ends, whichever way it ends. The
# user's own keyring is never reached.
set -euo pipefail

if [ "${1:-}" != --inside-session ]; then
    dir=$(mktemp -d /tmp/tarvelin-keyring.XXXXXX)
    trap 'rm -rf "$dir"' EXIT
    mkdir -m 700 "$dir/data" "$dir/runtime"
    status=0
    # A daemon found through an outer session's control socket would be used instead of a new one.
    # The session's bus ends when the command does, and the daemon with it.
    env -u GNOME_KEYRING_CONTROL TARVELIN_KEYRING_DIR="$dir" XDG_DATA_HOME="$dir/data" \
        XDG_RUNTIME_DIR="$dir/runtime" dbus-run-session -- bash "$0" --inside-session "$@" || status=$?
    exit "$status"
fi
shift

# The password only unlocks the throwaway keyring; the daemon creates it as the login keyring.
eval "$(echo -n tarvelin-pruebas | gnome-keyring-daemon --unlock --components=secrets)"
export GNOME_KEYRING_CONTROL
# The daemon serves the bus once it holds its name; asked before, the bus would start another.
# Then a store and a lookup prove it works.
owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q 'boolean true'
}
probe=(programa tarvelin-arranque credencial "prueba-$$")
ready=0
for _ in $(seq 50); do
    if owned && echo -n listo | secret-tool store --label=arranque "${probe[@]}" 2>/dev/null &&
        [ "$(secret-tool lookup "${probe[@]}" 2>/dev/null)" = listo ]; then
        ready=1
        break
    fi
    sleep 0.1
done
if [ "$ready" -ne 1 ]; then
    echo "with-keyring.sh: el llavero de pruebas no responde" >&2
    exit 1
fi
secret-tool clear "${probe[@]}"
export TARVELIN_REQUIRE_KEYRING=1
"$@"
