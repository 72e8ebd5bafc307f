#!/usr/bin/env bash
# Checks the Windows zip that scripts/windows/package.sh made, on this Debian
# machine: the resources of Tarvelin.exe read back with icoutils; the real
# program from the unpacked zip under Wine (wine64) on a virtual display, driven
# with xdotool, with screenshots in build-win/screenshots/; the unit suites of
# platform/ and rebuild/ cross-built in build-win-tests/ and run there under Wine
# by ctest; whole runs of the program against the simulated Oracle server and a
# throwaway PostgreSQL server through Wine's ODBC. Prints "N passed, M failed"
# and fails if any check failed.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build="$root/build-win"
version=$(sed -n 's/^set(TARVELIN_VERSION_TEXT "\(.*\)")$/\1/p' "$root/CMakeLists.txt")
name="Tarvelin-$version-win64"
zip="$build/$name.zip"
if [ ! -f "$zip" ]; then
    echo "Falta $zip: créelo antes con bash scripts/windows/package.sh" >&2
    exit 1
fi
"$here/packages.sh" wine64 icoutils binutils-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix xvfb xauth xdotool \
    imagemagick xclip python3 || exit 1
# The Linux build of the simulated Oracle driver, the PostgreSQL bed and psqlODBC.
bash "$root/scripts/deps.sh" test || exit 1
start=$(date +%s)

passed=0
failed=0
pass() { echo "  bien: $1"; passed=$((passed + 1)); }
fail() { echo "  MAL:  $1"; failed=$((failed + 1)); }
expect() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

work="$build/check"
pgdir=""
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$zip")
folder="$work/$name"
exe="$folder/Tarvelin.exe"

echo "== Recursos de Tarvelin.exe, leídos con icoutils"
icons="$work/icons"
mkdir -p "$icons"
wrestool -x -t14 "$exe" >"$icons/program.ico"
icotool -l "$icons/program.ico" >"$icons/list.txt"
expect "tres imágenes de icono" [ "$(wc -l <"$icons/list.txt")" -eq 3 ]
for size in 16 32 48; do
    expect "icono de ${size}x${size} con 256 colores" \
        grep -q -- "--width=$size --height=$size --bit-depth=8 --palette-size=256" "$icons/list.txt"
done
# The images are those of resources/Tarvelin.ico, pixel for pixel.
mkdir -p "$icons/program" "$icons/source"
cp "$icons/program.ico" "$icons/program/Tarvelin.ico"
icotool -x -o "$icons/program" "$icons/program/Tarvelin.ico"
icotool -x -o "$icons/source" "$root/resources/Tarvelin.ico"
same_images() {
    local image
    for image in "$icons"/source/*.png; do
        cmp -s "$image" "$icons/program/$(basename "$image")" || return 1
    done
}
expect "las imágenes son las de resources/Tarvelin.ico" same_images

wrestool -x --raw -t16 "$exe" >"$work/version.bin"
python3 "$here/versioninfo.py" "$work/version.bin" >"$work/version.txt"
sed 's/^/    /' "$work/version.txt"
for line in "Signature=FEEF04BD" "FixedFileVersion=1.0.0.1" "FixedProductVersion=1.0.0.1" \
    "StringTable=0C0A04B0" "0C0A04B0/CompanyName=Corvath S.L." "0C0A04B0/ProductName=Tarvelin" \
    "0C0A04B0/FileVersion=1.00.0001" "0C0A04B0/ProductVersion=1.00.0001" \
    "0C0A04B0/InternalName=Tarvelin" "0C0A04B0/OriginalFilename=Tarvelin.exe" "Translation=0C0A04B0"; do
    expect "VERSIONINFO $line" grep -qxF -- "$line" "$work/version.txt"
done
expect "una sola tabla de textos de versión" [ "$(grep -c '^StringTable=' "$work/version.txt")" -eq 1 ]
expect "subsistema gráfico (sin consola)" \
    bash -c "x86_64-w64-mingw32-objdump -p '$exe' | grep -q 'Subsystem.*(Windows GUI)'"

echo "== Tarvelin.exe bajo Wine, en una pantalla virtual"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX="$build/wine-prefix" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko download prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
shots="$build/screenshots"
rm -rf "$shots"
mkdir -p "$shots"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
program=""
finish() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    "$wineserver" -k 2>/dev/null
    kill "$xvfb" 2>/dev/null
    [ -n "$pgdir" ] && bash "$root/tests/support/pg/testbed.sh" stop "$pgdir"
}
trap finish EXIT
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
"$wine" wineboot -i >"$work/wineboot.log" 2>&1
"$wineserver" -w
# Windows has Tahoma, the face behind "MS Shell Dlg" that Qt takes for its
# widgets; Debian's Wine ships its own Tahoma (fonts-wine) but does not put it
# where a new prefix finds it, and Qt would fall back to a serif face.
cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

# Two profiles the window lists; both empty, so a run on one ends in the
# profile error, which names the vendor read from the version information.
# A third names an ODBC driver nobody installed: that run goes through Qt's
# ODBC plugin and Wine's odbc32 and ends in the driver manager's error.
: >"$folder/Prod.cfp"
: >"$folder/Test.cfp"
printf '[Corvath S.L.]\r\nProvider=QODBC\r\nConnection=Driver={Controlador inexistente};Dbq=//localhost:1/NADA;Uid=scott\r\nPassword=tiger\r\n' \
    >"$folder/Roto.cfp"
# Its password is for its owner's eyes only, or the profile library refuses it.
chmod 600 "$folder/Roto.cfp"

visible_windows() { xdotool search --onlyvisible --name '^Tarvelin$' 2>/dev/null | wc -l; }
# Waits up to $1 seconds for $2 visible windows titled Tarvelin.
wait_windows() {
    local i
    for i in $(seq $(($1 * 4))); do
        [ "$(visible_windows)" -eq "$2" ] && return 0
        sleep 0.25
    done
    return 1
}
choose_profile() { # $1: how many times Down after Home
    xdotool mousemove --window "$wid" 240 34 click 1
    sleep 1
    xdotool key Home
    local i
    for i in $(seq "$1"); do xdotool key Down; done
    xdotool key Return
    sleep 0.5
}
reindex() { xdotool mousemove --window "$wid" 384 84 click 1; }
# The open box's text, copied as a user copies it (Ctrl+C) and read from the X
# clipboard, which Wine shares.
box_text() {
    xdotool key ctrl+c
    sleep 0.5
    xclip -selection clipboard -o -t UTF8_STRING 2>/dev/null | tr -d '\r'
}
# Whether the text $1 has the line $2.
has_line() { grep -qxF -- "$2" <<<"$1"; }
# The screen around the main window, which Wine centres on the screen: the
# drop-down list and the message boxes are windows of their own near it.
shoot_around() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window root -crop "$((WIDTH + 160))x$((HEIGHT + 160))+$((X - 80))+$((Y - 40))" +repage "$1"
}

# Which DLLs Wine loads and which files the program opens, to compare with
# what the zip holds.
(cd "$folder" && exec env WINEDEBUG=-all,+loaddll,+file "$wine" Tarvelin.exe) >"$work/tarvelin.log" 2>&1 &
program=$!
wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarvelin$' 2>/dev/null | head -n 1)
if [ -z "$wid" ]; then
    fail "la ventana Tarvelin aparece"
    grep -v ':trace:' "$work/tarvelin.log" | tail -n 20
else
    pass "la ventana Tarvelin aparece"
    sleep 2
    import -window "$wid" "$shots/frmTarvelin.png"

    # "Reindexar ahora" (left 296, top 64, 177 x 41) with no profile chosen.
    reindex
    sleep 1
    import -window "$wid" "$shots/frmTarvelin-estado.png"
    expect "sin perfil elegido no hay cuadro de mensaje" [ "$(visible_windows)" -eq 1 ]

    # The list (left 8, top 24, 481 x 21) drops down as a window of its own.
    xdotool mousemove --window "$wid" 240 34 click 1
    sleep 1
    shoot_around "$shots/frmTarvelin-lista.png"
    xdotool key Escape
    sleep 0.5

    # Prod (first of Prod, Roto, Test): its empty profile ends the run in the error box.
    choose_profile 0
    reindex
    if wait_windows 20 2; then
        pass "el perfil vacío acaba en el cuadro de error"
        sleep 1
        shoot_around "$shots/frmTarvelin-mensaje.png"
        box=$(box_text)
        echo "$box" | sed 's/^/    /'
        expect "el cuadro nombra la sección del fabricante que da la información de versión" has_line "$box" \
            "Error -2147220986: El perfil Prod no es válido: no tiene la sección [Corvath S.L.]"
        xdotool key Return
        expect "Aceptar cierra el cuadro" wait_windows 10 1
        sleep 1
        import -window "$wid" "$shots/frmTarvelin-error.png"
    else
        fail "el perfil vacío acaba en el cuadro de error"
    fi

    # Roto: through Qt's ODBC driver to Wine's odbc32, which finds no such driver.
    choose_profile 1
    reindex
    if wait_windows 60 2; then
        pass "el controlador ODBC inexistente acaba en el cuadro de error"
        sleep 1
        shoot_around "$shots/frmTarvelin-odbc.png"
        box=$(box_text)
        echo "$box" | sed 's/^/    /'
        expect "el cuadro da el error de unixODBC, alcanzado por el odbc32 de Wine" has_line "$box" \
            "Error 3710: Can't open lib 'Controlador inexistente' : file not found"
        xdotool key Return
        expect "Aceptar cierra el cuadro" wait_windows 10 1
        sleep 1
        import -window "$wid" "$shots/frmTarvelin-odbc-error.png"
    else
        fail "el controlador ODBC inexistente acaba en el cuadro de error"
    fi

    # Alt+F4 closes the window, and the program ends by itself.
    xdotool key --window "$wid" alt+F4 2>/dev/null
    ended=1
    for _ in $(seq 40); do
        kill -0 "$program" 2>/dev/null || { ended=0; break; }
        sleep 0.25
    done
    expect "Alt+F4 cierra el programa" [ $ended -eq 0 ]
    if [ $ended -eq 0 ]; then
        wait "$program"
        code=$?
        expect "el programa termina sin error (código $code)" [ $code -eq 0 ]
        program=""
    fi
fi
"$wineserver" -w

# Every DLL in the folder is one the program loaded, and Qt's Spanish texts
# were read from the place qt.conf names.
loaded="$work/loaded.txt"
sed -n 's/.*trace:loaddll:[a-z_]* Loaded L"\([^"]*\)".*: native$/\1/p' "$work/tarvelin.log" \
    | sed 's/.*\\//' | tr 'A-Z' 'a-z' | sort -u >"$loaded"
while read -r dll; do
    expect "Wine carga $dll" grep -qx "$(basename "$dll" | tr 'A-Z' 'a-z')" "$loaded"
done < <(cd "$folder" && find . -name '*.dll' | sort)
expect "Qt lee translations\\qtbase_es.qm" \
    grep -q 'translations\\\\qtbase_es.qm" GENERIC_READ' "$work/tarvelin.log"

# The vendor name comes from the executable's version information at run time:
# a copy whose CompanyName reads "Xorvath S.L." accepts a profile of that
# vendor and goes on to the ODBC driver, which it only loads after the
# profile library has accepted the profile.
vendor="$work/vendor"
cp -r "$folder" "$vendor"
rm -f "$vendor"/*.cfp
python3 - "$vendor/Tarvelin.exe" <<'PATCH'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
old, new = ("Corvath S.L.".encode("utf-16-le"), "Xorvath S.L.".encode("utf-16-le"))
assert data.count(old) == 1, "CompanyName no aparece una sola vez"
at = data.find(old)
data[at:at + len(old)] = new
open(path, "wb").write(data)
PATCH
printf '[Xorvath S.L.]\r\nProvider=QODBC\r\nConnection=Driver={Controlador inexistente};Dbq=//localhost:1/NADA\r\n' \
    >"$vendor/Otra.cfp"
(cd "$vendor" && exec env WINEDEBUG=-all,+loaddll "$wine" Tarvelin.exe) >"$work/vendor.log" 2>&1 &
program=$!
wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarvelin$' 2>/dev/null | head -n 1)
if [ -n "$wid" ]; then
    sleep 1
    choose_profile 0
    reindex
    if wait_windows 60 2; then
        sleep 1
        shoot_around "$shots/frmTarvelin-compania.png"
        xdotool key Return
        wait_windows 10 1
    fi
    xdotool key --window "$wid" alt+F4 2>/dev/null
fi
"$wineserver" -w
program=""
expect "el nombre de la compañía se lee de la información de versión" \
    grep -qi 'Loaded L"[^"]*qsqlodbc.dll"' "$work/vendor.log"

echo "== Las pruebas unitarias de platform/ y rebuild/, compiladas para Windows y bajo Wine"
# The simulated Oracle server's ODBC driver is a Linux library: Wine's odbc32
# hands ODBC calls to the host's unixODBC, which loads it from a Linux build.
tests="$root/build-win-tests"
sim_odbc="$tests/linux/odbc"
qt=${TARVELIN_WIN_QT:-$HOME/.cache/tarvelin/qt-6.4.2-mingw64}
built=0
if cmake -S "$root" -B "$tests/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVELIN_WERROR=ON \
    >"$work/linux-build.log" 2>&1 &&
    nice -n 10 cmake --build "$tests/linux" --target orasimodbc --parallel 2 >>"$work/linux-build.log" 2>&1 &&
    cmake -S "$root" -B "$tests" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_FIND_ROOT_PATH="$qt" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DTARVELIN_BUILD_TESTS=ON -DTARVELIN_WERROR=ON -DTARVELIN_WINE_ODBC_DIR="$sim_odbc" \
        >"$work/tests-build.log" 2>&1 &&
    nice -n 10 cmake --build "$tests" --parallel 2 >>"$work/tests-build.log" 2>&1; then
    built=1
    pass "las pruebas se compilan para Windows (build-win-tests) y el controlador simulado para Linux"
else
    fail "las pruebas se compilan para Windows (build-win-tests) y el controlador simulado para Linux"
    tail -n 20 "$work/linux-build.log" "$work/tests-build.log"
fi
if [ $built -eq 1 ]; then
    # ctest runs each suite under wine64 (scripts/windows/wine-test.sh) in the
    # prefix build-win-tests/wine-prefix. A wineserver kept alive, with Wine's own
    # services started here rather than by the first suite (they would hold its
    # output open), spares every suite Wine's start-up. Its umask 077 makes the
    # suites' files private, as a Windows user's temporary folder is.
    (
        unset DISPLAY
        umask 077
        export WINEPREFIX="$tests/wine-prefix"
        "$wineserver" -p
        "$wine" wineboot </dev/null >/dev/null 2>&1
        ctest --test-dir "$tests" -V -j2 --timeout 300 >"$work/ctest.log" 2>&1
        "$wineserver" -k
    )
    suites=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#' "$work/ctest.log")
    expect "ctest encuentra las suites ($suites)" [ "$suites" -gt 0 ]
    while read -r number name result; do
        totals=$(sed -n "s/^$number: Totals: \([0-9]*\) passed, \([0-9]*\) failed, \([0-9]*\) skipped.*/\1 bien, \2 mal, \3 omitidas/p" \
            "$work/ctest.log")
        expect "$name bajo Wine (${totals:-sin resultado})" [ "$result" = Passed ]
        [ "$result" = Passed ] || grep -E "^$number: (FAIL!|   Loc|.*failure location)" "$work/ctest.log" | sed 's/^/    /'
    done < <(sed -nE 's/^ *[0-9]+\/[0-9]+ Test +#([0-9]+): ([A-Za-z_0-9]+) \.+ *(\*\*\*)?([A-Za-z]+).*/\1 \2 \4/p' \
        "$work/ctest.log")
fi

echo "== Ejecuciones completas bajo Wine"
pgdir=$(mktemp -d /tmp/tarvelin-pg-win.XXXXXX)
if bash "$root/tests/support/pg/testbed.sh" start "$pgdir"; then
    # shellcheck disable=SC1091
    source "$pgdir/env"
else
    fail "el servidor PostgreSQL de pruebas arranca"
    TARVELIN_PG_CONNECTION="" TARVELIN_PG_PASSWORD="" TARVELIN_PG_DIR="$pgdir"
fi
# The program from the zip, with profiles for whole runs: the simulated Oracle
# server and the PostgreSQL bed, each reached through Qt's ODBC plugin, Wine's
# odbc32 and the host's unixODBC, which loads the Linux driver.
runs="$work/ejecuciones"
cp -r "$folder" "$runs"
rm -f "$runs"/*.cfp
odbc="$work/odbc"
mkdir -p "$odbc"
cat /etc/odbcinst.ini "$sim_odbc/odbcinst.ini" >"$odbc/odbcinst.ini"
sim_log="$work/simulador.log"
query="SELECT i.index_name, p.partition_name, s.subpartition_name FROM user_indexes i"
query+=" LEFT JOIN user_ind_partitions p ON p.index_name = i.index_name"
query+=" LEFT JOIN user_ind_subpartitions s ON s.index_name = p.index_name AND s.partition_name = p.partition_name"
query+=" WHERE NOT i.index_name LIKE 'SYS\\_%' ESCAPE '\\' AND i.dropped = 'NO' AND i.temporary = 'N'"
query+=" AND i.index_type NOT IN ('IOT - TOP', 'LOB')"
query+=" ORDER BY i.index_name, p.partition_position, s.subpartition_position"
profile() { # $1 name, $2 mode, $3 connection, $4 password
    printf '[Corvath S.L.]\r\nProvider=QODBC\r\nConnection=%s\r\nPassword=%s\r\n' "$3" "$4" >"$runs/$1.cfp"
    chmod "$2" "$runs/$1.cfp"
}
sim="Driver={Simulador Oracle};Indexes=IDX_B,idx_low,IDX_A;Online=0;ExpectPwd=tiger;Log=$sim_log"
# In the list's order: Abierto, Oracle, OracleMal, Pg, PgMal.
profile Abierto 644 "$sim" tiger
profile Oracle 600 "$sim" tiger
profile OracleMal 600 "$sim" mala
profile Pg 600 "$TARVELIN_PG_CONNECTION" "$TARVELIN_PG_PASSWORD"
profile PgMal 600 "$TARVELIN_PG_CONNECTION" "no-es-la-clave"

# Runs the profile chosen ($1 Downs), waits for the error box; its text in $box.
run_to_error_box() {
    box=""
    choose_profile "$1"
    reindex
    wait_windows 60 2 || return 1
    sleep 1
    shoot_around "$shots/$2.png"
    box=$(box_text)
    xdotool key Return
    wait_windows 10 1
}

(cd "$runs" && exec env ODBCSYSINI="$odbc" "$wine" Tarvelin.exe) >"$work/ejecuciones.log" 2>&1 &
program=$!
wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tarvelin$' 2>/dev/null | head -n 1)
if [ -z "$wid" ]; then
    fail "la ventana Tarvelin aparece para las ejecuciones"
else
    sleep 2
    # A password others may read: refused, with the Windows command that fixes it.
    if run_to_error_box 0 frmTarvelin-permisos; then
        echo "$box" | sed 's/^/    /'
        advice='^Error -2147220984: El perfil Abierto contiene una contraseña y otros usuarios pueden '
        advice+='leerlo; restrinja sus permisos con: icacls "Abierto.cfp" /inheritance:r /grant:r "[^"]+\\[^"]+:F"$'
        expect "contraseña legible por otros: rechazada con el consejo de icacls" grep -qE "$advice" <<<"$box"
    else
        fail "contraseña legible por otros: cuadro de error"
    fi
    expect "el perfil rechazado no llega al servidor" [ ! -e "$sim_log" ]
    # Oracle: "En línea" ticked against a server without online rebuilds; the
    # question is answered "Sí" (its default button) and the run goes on without ONLINE.
    choose_profile 1
    xdotool mousemove --window "$wid" 240 104 click 1
    sleep 0.5
    import -window "$wid" "$shots/frmTarvelin-en-linea.png"
    reindex
    question=""
    for _ in $(seq 240); do
        question=$(xdotool search --onlyvisible --name '^No se puede reindexar' 2>/dev/null | head -n 1)
        [ -n "$question" ] && break
        sleep 0.25
    done
    if [ -n "$question" ]; then
        pass "En línea contra un servidor sin reindexado en línea: la pregunta aparece"
        sleep 1
        shoot_around "$shots/frmTarvelin-pregunta.png"
        box=$(box_text)
        echo "$box" | sed 's/^/    /'
        expect "la pregunta: título, texto y los botones Sí y No" \
            [ "$box" = "$(printf -- '---------------------------\nNo se puede reindexar en línea\n---------------------------\nNo se puede reindexar en línea.\n¿Desea reindexar bloqueando las tablas?\n---------------------------\nSí   No   \n---------------------------')" ]
        xdotool key Return
        for _ in $(seq 240); do
            grep -qx DISCONNECT "$sim_log" 2>/dev/null && break
            sleep 0.25
        done
        sleep 1
        expect "la ejecución acaba sin cuadro de mensaje" [ "$(visible_windows)" -eq 1 ]
        import -window "$wid" "$shots/frmTarvelin-terminado.png"
        printf '%s\n' CONNECT "EXEC 0 $query" "EXEC 0 ALTER INDEX IDX_A REBUILD ONLINE" \
            "EXEC 0 ALTER INDEX IDX_A REBUILD" "EXEC 0 ALTER INDEX IDX_B REBUILD" \
            'EXEC 0 ALTER INDEX "idx_low" REBUILD' DISCONNECT >"$work/esperado.log"
        if diff -u --label esperado --label recibido "$work/esperado.log" "$sim_log"; then
            pass "el registro del controlador simulado es exactamente el de la ejecución"
        else
            fail "el registro del controlador simulado es exactamente el de la ejecución"
        fi
    else
        fail "En línea contra un servidor sin reindexado en línea: la pregunta aparece"
    fi
    # A wrong password: the simulated server refuses the logon (ExpectPwd).
    if run_to_error_box 2 frmTarvelin-oracle-clave; then
        echo "$box" | sed 's/^/    /'
        expect "contraseña errónea en Oracle: Error 1017 en el cuadro" has_line "$box" \
            "Error 1017: ORA-01017: invalid username/password; logon denied"
    else
        fail "contraseña errónea en Oracle: cuadro de error"
    fi
    expect "el servidor simulado rechazó esa conexión" [ "$(tail -n 1 "$sim_log")" = "CONNECT REFUSED" ]

    # PostgreSQL through psqlODBC: the dictionary query runs and the first
    # rebuild fails with the server's error, as on Linux (tst_PgRun).
    if run_to_error_box 3 frmTarvelin-pg; then
        echo "$box" | sed 's/^/    /'
        expect "PostgreSQL: ALTER INDEX ... REBUILD acaba en su error de sintaxis" \
            grep -qE '^Error [0-9]+: ERROR: syntax error at or near "REBUILD"' <<<"$box"
        expect "PostgreSQL recibió ALTER INDEX CUSTOMERS_PK REBUILD, el primero que da la consulta" \
            grep -qF 'STATEMENT:  ALTER INDEX CUSTOMERS_PK REBUILD' "$TARVELIN_PG_DIR/server.log"
        sleep 1
        import -window "$wid" "$shots/frmTarvelin-pg-error.png"
    else
        fail "PostgreSQL: cuadro de error tras ALTER INDEX"
    fi
    if run_to_error_box 4 frmTarvelin-pg-clave; then
        echo "$box" | sed 's/^/    /'
        expect "contraseña errónea en PostgreSQL: su error en el cuadro" \
            grep -qE '^Error [0-9]+: .*password authentication failed for user "tarvelin"' <<<"$box"
    else
        fail "contraseña errónea en PostgreSQL: cuadro de error"
    fi
    xdotool key --window "$wid" alt+F4 2>/dev/null
fi
"$wineserver" -w
program=""
echo
echo "Capturas: $shots"
echo "Tiempo: $(($(date +%s) - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
