#!/usr/bin/env bash
# One reindex through the real program on a virtual display, driven with the keyboard and mouse:
#   e2e_run.sh <Tarvelin> <dictionary query probe> <ODBC folder> <screenshot folder> <case>
# case terminado: a plain run that ends "Terminado"; case sin_en_linea: "En línea" ticked
# against a server that cannot rebuild online, the question answered "Sí"; case particiones: the
# same against a schema with every kind of index; cases cancelar_raton and cerrar_ventana: a
# pointer click on "Cancelar", or the window manager's close request, while the server works on
# a slow rebuild; case conexion_lenta: Space on "Cancelar" while a slow server logs on
# (e2e_drive.py says what each expects); case accesibilidad: the window as a screen reader meets
# it, no run (accessibility_tree.py).
# The program reaches the simulated server through Qt's ODBC driver and the driver manager, which
# finds Driver={Simulador Oracle} in the build's ODBC folder. The server logs the session and every
# statement it receives with its time-out; the log must be exactly the run's.
set -euo pipefail
if [ $# -ne 5 ]; then
    echo "Uso: $0 <Tarvelin> <sonda de la consulta> <carpeta ODBC> <carpeta de capturas> <caso>" >&2
    exit 2
fi
program=$(realpath "$1")
query=$("$2")
odbc=$(realpath "$3")
mkdir -p "$4"
shots=$(realpath "$4")
case=$5
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop.sh
source "$here/desktop.sh"

# What the server holds and the statements it must receive (runs.py, shared with the Windows check).
if ! server=$(/usr/bin/python3 "$here/runs.py" server "$case"); then
    echo "Caso desconocido: $case" >&2
    exit 2
fi
delay=$(/usr/bin/python3 "$here/runs.py" delay "$case")
mapfile -t statements < <(/usr/bin/python3 "$here/runs.py" statements "$case" "$query")

# Under the sanitizers: Qt D-Bus's connection-manager thread, which the accessibility bridge starts,
# is at times left behind at the program's end, a leak suppressed by its library (lsan.supp). Only a
# whole stack names that library, Debian's libraries having no frame pointers; whole stacks slow
# every allocation, so they are asked for here, for this program, and not for the whole suite.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=0"
    export LSAN_OPTIONS="${LSAN_OPTIONS:-}:fast_unwind_on_malloc=0"
fi

make_scratch
make_program_folder "$program"
log="$scratch/statements.log"
printf '[Corvath S.L.]\nConnection=Driver={Simulador Oracle};%s;Log=%s;DelayMs=%s\n' "$server" "$log" \
    "$delay" >"$scratch/programa/Sim.cfp"
if [ "$case" = accesibilidad ]; then
    in_desktop "$odbc" /usr/bin/python3 "$here/accessibility_tree.py" "$scratch/programa"
    : >"$scratch/expected.log"
else
    in_desktop "$odbc" /usr/bin/python3 "$here/e2e_drive.py" "$scratch/programa" "$case" "$shots" "$log"
    # One session; a run sets no statement time-out.
    {
        echo CONNECT
        [ ${#statements[@]} -eq 0 ] || printf 'EXEC 0 %s\n' "${statements[@]}"
        echo DISCONNECT
    } >"$scratch/expected.log"
fi
[ -e "$log" ] || : >"$log"
if ! diff -u --label esperado --label recibido "$scratch/expected.log" "$log"; then
    echo "FAIL: the server received other statements than the run's" >&2
    exit 1
fi
echo "PASS: $case"
