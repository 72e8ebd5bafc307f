# Sourced by the end-to-end scripts: a scratch folder, a program folder of its own, and a
# virtual desktop (X display, session bus, accessibility bus) that ends with the command.

# Bounds the whole session, below the test's own time-out, so that our clean-up always runs.
session_limit=100

# make_scratch: sets $scratch to a new folder that is removed, with anything the program
# left running, when the script ends, also on failure.
make_scratch() {
    scratch=$(mktemp -d /tmp/tarvelin-e2e.XXXXXX)
    trap clean_scratch EXIT
}

clean_scratch() {
    local status=$? pids
    # Only processes started from this scratch folder's copy of the program.
    pids=$(pgrep -f "^$scratch/programa/Tarvelin" || true)
    if [ -n "$pids" ]; then
        echo "FAIL: Tarvelin still running after the session: $pids" >&2
        # shellcheck disable=SC2086
        kill -9 $pids 2>/dev/null || true
        status=1
    fi
    stop_display
    rm -rf "$scratch"
    exit "$status"
}

# make_program_folder <Tarvelin>: the program is looked for in the executable's folder, so
# each test gives it one of its own: $scratch/programa.
make_program_folder() {
    mkdir "$scratch/programa"
    cp "$1" "$scratch/programa/Tarvelin"
}

# start_display: a virtual X display of our own, in $DISPLAY. The server picks a free number
# itself and names it once it accepts connections, so tests running side by side never race
# for one. Without -noreset it would reset whenever its last client leaves, and a client
# connecting just then is refused.
xvfb_pid=""
start_display() {
    : >"$scratch/display"
    # -bs: no backing store, so a window uncovered shows again only if its program paints it.
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset -bs 3>"$scratch/display" \
        2>"$scratch/xvfb.log" &
    xvfb_pid=$!
    local tenths=0
    until [ -s "$scratch/display" ]; do
        if ! kill -0 "$xvfb_pid" 2>/dev/null || [ "$tenths" -ge 300 ]; then
            echo "FAIL: Xvfb did not start" >&2
            cat "$scratch/xvfb.log" >&2
            return 1
        fi
        sleep 0.1
        tenths=$((tenths + 1))
    done
    DISPLAY=":$(head -n 1 "$scratch/display")"
    export DISPLAY
    unset XAUTHORITY WAYLAND_DISPLAY
}

stop_display() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
}

# in_desktop <ODBC folder> <command...>: runs the command on a fresh virtual display with a
# session bus of its own and Qt's accessibility bridge on, and the driver manager reading the
# drivers of the ODBC folder (the simulated Oracle driver); the buses and the accessibility
# registry end with the command, the display with the script.
in_desktop() {
    local odbc=$1
    shift
    mkdir -m 700 "$scratch/run"
    start_display
    local status=0
    # PYTHONDONTWRITEBYTECODE: the scripts import desktop.py; keep the source folder clean.
    XDG_RUNTIME_DIR="$scratch/run" \
        PYTHONDONTWRITEBYTECODE=1 \
        QT_QPA_PLATFORM=xcb \
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
        ODBCSYSINI="$odbc" \
        timeout -k 10 "$session_limit" \
        dbus-run-session -- "$@" || status=$?
    if [ "$status" -ne 0 ]; then
        [ "$status" -ne 124 ] || echo "FAIL: session not over after $session_limit s" >&2
        if [ -s "$scratch/xvfb.log" ]; then
            echo "--- Xvfb:" >&2
            cat "$scratch/xvfb.log" >&2
        fi
    fi
    return "$status"
}
