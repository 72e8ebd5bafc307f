#!/usr/bin/env bash
# One reindex through the real program on a virtual display, driven with the keyboard and mouse:
#   e2e_run.sh <Tarvelin> <dictionary query probe> <ODBC folder> <screenshot folder> <case>
# case terminado: a plain run that ends "Terminado"; case sin_en_linea: "En línea" ticked
# against a server that cannot rebuild online, the question answered "Sí"; case particiones: the
# same against a schema with every kind of index (TARVELIN_ORASIM_SCHEMAS/mixed.schema); cases cancelar_raton
# and cerrar_ventana: a pointer click on "Cancelar", or the window manager's close request,
# while the window is blocked in a slow rebuild (e2e_drive.py says what each expects); case
# accesibilidad: the window as a screen reader meets it, no run (accessibility_tree.py).
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

delay=100
case "$case" in
terminado)
    # Out of order, a lower-case name, a dictionary index that is skipped and one that only
    # looks like it.
    server="Indexes=IDX_B,SYS_IOT_TOP_7,idx_low,SYSTEM_X_IDX,IDX_A"
    statements=("$query"
        "ALTER INDEX IDX_A REBUILD"
        "ALTER INDEX IDX_B REBUILD"
        "ALTER INDEX SYSTEM_X_IDX REBUILD"
        'ALTER INDEX "idx_low" REBUILD')
    ;;
sin_en_linea)
    # The refused online rebuild is asked once; that index and every later one are rebuilt
    # the ordinary way.
    server="Indexes=IDX_B,idx_low,IDX_A;Online=0"
    statements=("$query"
        "ALTER INDEX IDX_A REBUILD ONLINE"
        "ALTER INDEX IDX_A REBUILD"
        "ALTER INDEX IDX_B REBUILD"
        'ALTER INDEX "idx_low" REBUILD')
    ;;
particiones)
    # Partitions and subpartitions in position order; the recycle bin, the IOT's primary index,
    # the temporary table's and the LOB indexes are never sent. The first statement is a
    # partition's, refused online and rebuilt again without ONLINE, as every later one.
    server="Schema=$TARVELIN_ORASIM_SCHEMAS/mixed.schema;Online=0"
    statements=("$query"
        "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024 ONLINE"
        "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2024"
        "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2025"
        "ALTER INDEX CLIENTES_ALTA_IX REBUILD PARTITION P2026"
        "ALTER INDEX CLIENTES_PK REBUILD"
        "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_NORTE"
        "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2025_SUR"
        "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_NORTE"
        "ALTER INDEX MOVIMIENTOS_IX REBUILD SUBPARTITION P2026_SUR"
        "ALTER INDEX ZONAS_PK REBUILD")
    ;;
cancelar_raton | cerrar_ventana)
    # Slow rebuilds, so that the window is blocked in one when the user acts.
    server="Indexes=IDX_A,IDX_B,IDX_C,IDX_D,IDX_E"
    delay=1000
    statements=("$query"
        "ALTER INDEX IDX_A REBUILD"
        "ALTER INDEX IDX_B REBUILD"
        "ALTER INDEX IDX_C REBUILD")
    ;;
accesibilidad)
    # One profile, so that the list has an entry to announce; it is never run.
    server="Indexes=IDX_A"
    statements=()
    ;;
*)
    echo "Caso desconocido: $case" >&2
    exit 2
    ;;
esac

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
        printf 'EXEC 0 %s\n' "${statements[@]}"
        echo DISCONNECT
    } >"$scratch/expected.log"
fi
[ -e "$log" ] || : >"$log"
if ! diff -u --label esperado --label recibido "$scratch/expected.log" "$log"; then
    echo "FAIL: the server received other statements than the run's" >&2
    exit 1
fi
echo "PASS: $case"
