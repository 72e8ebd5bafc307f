#!/usr/bin/env bash
# The window as a screen reader sees it, on a virtual display with the accessibility bus:
#   accessibility_tree.sh <Tarvelin> <plugin folder>
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "Uso: $0 <Tarvelin> <carpeta de plugins>" >&2
    exit 2
fi
program=$(realpath "$1")
plugins=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop.sh
source "$here/desktop.sh"

make_scratch
make_program_folder "$program"
# One profile, so that the list has an entry to announce; it is never run.
printf '[Corvath S.L.]\nProvider=QORASIM\nConnection=Indexes=IDX_A\n' >"$scratch/programa/Sim.cfp"

in_desktop "$plugins" /usr/bin/python3 "$here/accessibility_tree.py" "$scratch/programa"
echo "PASS: accessibility tree"
