#!/usr/bin/env bash
# Builds Tarvelin and starts it. Profiles (*.cfp) are read from the folder of
# the executable: build/run/ unless TARVELIN_RUN_BUILD_DIR says otherwise. The
# test command builds in a folder of its own, so the two never rebuild each other.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/configure.sh
bash scripts/deps.sh run
build=${TARVELIN_RUN_BUILD_DIR:-build/run}
# The program and the simulated server's driver for the demonstration profile; no test suite, so
# nothing that only the tests need (Qt Test, Qt's private headers) has to be installed.
configure "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELIN_BUILD_TESTS=OFF -DTARVELIN_BUILD_SIMULATOR=ON
cmake --build "$build" --target Tarvelin orasimodbc

# A first start needs no database: Demostración.cfp talks to the simulated Oracle server (a dozen
# indexes, 400 ms each, no online rebuilds). For this start only, the driver manager reads the
# system's drivers and data sources plus that one from a folder in the build.
demo="$build/Demostración.cfp"
if [ ! -e "$demo" ]; then
    indexes=CLIENTES_PK,CLIENTES_NIF_UK,PEDIDOS_PK,PEDIDOS_CLIENTE_IX,PEDIDOS_FECHA_IX,LINEAS_PK
    indexes+=,LINEAS_PRODUCTO_IX,PRODUCTOS_PK,PRODUCTOS_NOMBRE_IX,FACTURAS_PK,FACTURAS_PEDIDO_IX
    indexes+=,FACTURAS_FECHA_IX,SYS_C0012345
    printf '%s\n[Corvath S.L.]\nConnection=Driver={Simulador Oracle};Indexes=%s;DelayMs=400;Online=0\n' \
        '# Perfil de demostración: habla con un servidor Oracle simulado, no con una base de datos.' \
        "$indexes" >"$demo"
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
