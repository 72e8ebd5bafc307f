#!/usr/bin/env bash
# Builds Tarvelin and starts it. Profiles (*.cfp) are read from the folder of
# the executable: build/run/ unless TARVELIN_RUN_BUILD_DIR says otherwise. The
# test command builds in a folder of its own, so the two never rebuild each other.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/configure.sh
bash scripts/deps.sh run
build=${TARVELIN_RUN_BUILD_DIR:-build/run}
# The program, its console twin and the simulated server's driver for the demonstration profile;
# no test suite, so nothing that only the tests need (Qt Test, Qt's private headers) has to be
# installed.
configure "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELIN_BUILD_TESTS=OFF -DTARVELIN_BUILD_SIMULATOR=ON
cmake --build "$build" --target Tarvelin tarvelin-cli orasimodbc

# A first start needs no database: Demostración.cfp talks to the simulated Oracle server, whose
# schema (tests/support/orasim/schemas/demo.schema, copied beside the driver) holds a partitioned
# index, a table in the recycle bin and an index-organized table: ten statements of 400 ms, no
# online rebuilds. A profile this script wrote is written again, so it follows the build folder;
# one the user wrote is left alone. For this start only, the driver manager reads the system's
# drivers and data sources plus that one from a folder in the build.
demo="$build/Demostración.cfp"
demo_note='# Perfil de demostración: habla con un servidor Oracle simulado, no con una base de datos.'
if [ ! -e "$demo" ] || [ "$(head -n 1 "$demo")" = "$demo_note" ]; then
    schema=$(realpath "$build/odbc/demo.schema")
    printf '%s\n[Corvath S.L.]\nConnection=Driver={Simulador Oracle};Schema={%s};DelayMs=400;Online=0\n' \
        "$demo_note" "${schema//\}/\}\}}" >"$demo"
fi
system_odbc=${ODBCSYSINI:-/etc}
session_odbc="$build/odbc-sesion"
mkdir -p "$session_odbc"
{ cat "$system_odbc/odbcinst.ini" 2>/dev/null || true; echo; cat "$build/odbc/odbcinst.ini"; } \
    >"$session_odbc/odbcinst.ini"
ln -sfn "$system_odbc/odbc.ini" "$session_odbc/odbc.ini"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Tarvelin es un programa de escritorio y no hay pantalla (DISPLAY) en esta sesión." >&2
    echo "Ejecútelo desde un escritorio, o con una pantalla virtual: xvfb-run -a $0" >&2
    exit 1
fi
ODBCSYSINI=$(realpath "$session_odbc") exec "$build/Tarvelin"
