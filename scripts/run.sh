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
# online rebuilds. The profile names the driver by its file, which the driver manager loads
# without any set-up, so that build/run/tarvelin-cli Demostración works as well. A profile this
# script wrote is written again, so it follows the build folder; one the user wrote is left alone.
demo="$build/Demostración.cfp"
demo_note='# Perfil de demostración: habla con un servidor Oracle simulado, no con una base de datos.'
if [ ! -e "$demo" ] || [ "$(head -n 1 "$demo")" = "$demo_note" ]; then
    driver=$(realpath "$build/odbc/liborasimodbc.so")
    schema=$(realpath "$build/odbc/demo.schema")
    printf '%s\n[Corvath S.L.]\nConnection=Driver={%s};Schema={%s};DelayMs=400;Online=0\n' \
        "$demo_note" "${driver//\}/\}\}}" "${schema//\}/\}\}}" >"$demo"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Tarvelin es un programa de escritorio y no hay pantalla (DISPLAY) en esta sesión." >&2
    echo "Ejecútelo desde un escritorio, o con una pantalla virtual: xvfb-run -a $0" >&2
    exit 1
fi
exec "$build/Tarvelin"
