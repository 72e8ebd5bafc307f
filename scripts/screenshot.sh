#!/usr/bin/env bash
# Photographs the main window under a virtual display, to check the layout
# and that every text is readable: scripts/screenshot.sh <build folder>, a
# build that holds the simulated Oracle server's driver (scripts/run.sh makes
# build/run). Writes into <build>/screenshots/: frmTarvelin.png as the window
# opens, with two profiles; frmTarvelin-estado.png after "Reindexar ahora" with
# no profile chosen; frmTarvelin-lista.png with the profile list open; then a
# run on the (empty) profile Prod: frmTarvelin-mensaje.png with its message box,
# and frmTarvelin-error.png once the box is answered; last, a run of slow
# rebuilds against the simulated server, photographed while the server works:
# frmTarvelin-en-marcha.png, which is also the README's picture,
# docs/tarvelin-en-marcha.png. Builds nothing.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -x "$1/Tarvelin" ] || [ ! -f "$1/odbc/liborasimodbc.so" ]; then
    echo "Uso: $0 <carpeta de compilación que contiene Tarvelin y odbc/liborasimodbc.so>" >&2
    exit 1
fi
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
out="$build/screenshots"
mkdir -p "$out"

# The program lists the profiles of its own folder: give it a folder of its own.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/vacios" "$work/demo"
cp "$build/Tarvelin" "$work/vacios/"
: >"$work/vacios/Prod.cfp"
: >"$work/vacios/Test.cfp"
# The schema of every kind of index, each rebuild taking three seconds.
cp "$build/Tarvelin" "$work/demo/"
printf '[Corvath S.L.]\nConnection=Driver={%s};Schema={%s};DelayMs=3000;Log={%s}\n' \
    "$build/odbc/liborasimodbc.so" "$root/tests/support/orasim/schemas/mixed.schema" "$work/demo/server.log" \
    >"$work/demo/Demostración.cfp"

xvfb-run -a -s "-screen 0 800x600x24" bash -s "$work" "$out" <<'INNER'
set -euo pipefail
work=$1
out=$2
# Starts the program of a folder and waits for its window ($pid, $wid).
start() {
    cd "$work/$1"
    ./Tarvelin &
    pid=$!
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tarvelin$' | head -n 1)
    # Nothing tells from outside when the first paint is done; give it a moment.
    sleep 1
}
# Opens the list (left 8, top 24, 481 x 21) and chooses its first entry.
choose_first_profile() {
    xdotool mousemove --window "$wid" 240 34 click 1
    sleep 0.5
    xdotool key Home Return
    sleep 0.5
}
# "Reindexar ahora" (left 296, top 64, 177 x 41).
click_reindexar() {
    xdotool mousemove --window "$wid" 384 84 click 1
}

start vacios
trap 'kill "$pid" 2>/dev/null || true' EXIT
import -window "$wid" "$out/frmTarvelin.png"

# "Reindexar ahora" with no profile chosen.
click_reindexar
sleep 1
import -window "$wid" "$out/frmTarvelin-estado.png"

# Open the list; the drop-down is a window of its own.
xdotool mousemove --window "$wid" 240 34 click 1
sleep 1
import -window root -crop 494x240+0+0 "$out/frmTarvelin-lista.png"
# Choose the first entry, Prod, and run: its empty profile makes the run fail.
xdotool key Escape
sleep 0.5
choose_first_profile
click_reindexar
sleep 2
import -window root -crop 640x300+0+0 "$out/frmTarvelin-mensaje.png"
xdotool key Return
sleep 1
import -window "$wid" "$out/frmTarvelin-error.png"
kill "$pid"
wait "$pid" || true

# A run while the server works: "En línea" ticked, the profile chosen, "Reindexar ahora"; the
# picture is taken once the server has begun its third rebuild, whose name the status line shows.
start demo
choose_first_profile
# "En línea" (left 224, top 80, 57 x 49).
xdotool mousemove --window "$wid" 240 104 click 1
click_reindexar
for _ in $(seq 300); do
    [ "$(grep -c '^EXEC 0 ALTER' server.log 2>/dev/null)" -ge 3 ] && break
    sleep 0.1
done
sleep 0.5
import -window "$wid" "$out/frmTarvelin-en-marcha.png"
INNER

cp "$out/frmTarvelin-en-marcha.png" "$root/docs/tarvelin-en-marcha.png"

identify "$out"/frmTarvelin*.png
