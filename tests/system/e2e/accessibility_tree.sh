#!/usr/bin/env bash
# The window as a screen reader sees it, on a virtual display with the accessibility bus:
#   accessibility_tree.sh <Tarvelin> <ODBC folder>
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "Uso: $0 <Tarvelin> <carpeta ODBC>" >&2
    exit 2
fi
program=$(realpath "$1")
odbc=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop.sh
source "$here/desktop.sh"

make_scratch
make_program_folder "$program"
# One profile, so that the list has an entry to announce; it is never run.
printf '[Corvath S.L.]\nConnection=Driver={Simulador Oracle};Indexes=IDX_A\n' >"$scratch/programa/Sim.cfp"

in_desktop "$odbc" /usr/bin/python3 "$here/accessibility_tree.py" "$scratch/programa"
echo "PASS: accessibility tree"
