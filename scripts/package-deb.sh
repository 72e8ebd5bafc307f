#!/usr/bin/env bash
# Makes the Debian package build-deb/tarvelin_<version>_amd64.deb and checks it:
# lintian (no errors; warnings are listed), installs it with dpkg -i, starts the
# installed program under a virtual display (screenshot in
# build-deb/screenshots/), then purges it and checks that nothing is left.
# Installs into the system: run it as root or with sudo rights.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/configure.sh"
build="$root/build-deb"
start=$(date +%s)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

bash "$root/scripts/deps.sh" run
bash "$root/scripts/deps.sh" dpkg-dev lintian desktop-file-utils xvfb xauth xdotool imagemagick

# Debian's own compiler and linker flags, hardening included.
cd "$root"
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
configure "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
    -DTARVELIN_BUILD_TESTS=OFF -DTARVELIN_WERROR=ON
nice -n 10 cmake --build "$build" --parallel 2
rm -f "$build"/tarvelin_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/tarvelin_*_amd64.deb)
echo "Paquete: $deb"
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"

# Lintian's exit status fails on errors only; its warnings are listed.
echo "== lintian"
lintian --display-info --pedantic --fail-on error "$deb" | tee "$build/lintian.txt" || {
    echo "lintian encuentra errores" >&2
    exit 1
}

program_dir=/usr/lib/tarvelin
leftovers=("$program_dir" /usr/bin/Tarvelin /usr/bin/tarvelin-cli /usr/share/applications/tarvelin.desktop
    /usr/share/icons/hicolor/16x16/apps/tarvelin.png /usr/share/icons/hicolor/32x32/apps/tarvelin.png
    /usr/share/icons/hicolor/48x48/apps/tarvelin.png /usr/share/doc/tarvelin
    /usr/share/man/man1/Tarvelin.1.gz /usr/share/man/man1/tarvelin-cli.1.gz)

echo "== dpkg -i"
$sudo dpkg -i "$deb"
desktop-file-validate /usr/share/applications/tarvelin.desktop
grep -qx "Exec=$program_dir/Tarvelin" /usr/share/applications/tarvelin.desktop
# The console program through its link, from elsewhere: its help names the program folder.
(cd / && /usr/bin/tarvelin-cli --version && /usr/bin/tarvelin-cli --help | grep -qF "($program_dir)")

# One profile beside the program, so the list shows something; it goes again
# before the package is removed, which must then leave nothing behind.
$sudo cp "$program_dir/Ejemplo.cfp.example" "$program_dir/Ejemplo.cfp"
trap '$sudo rm -f "$program_dir/Ejemplo.cfp"' EXIT
mkdir -p "$build/screenshots"
xvfb-run -a -s "-screen 0 800x600x24" bash -s "$build/screenshots" <<'INNER'
set -euo pipefail
cd /
/usr/bin/Tarvelin &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tarvelin$' | head -n 1)
sleep 1
import -window "$wid" "$1/frmTarvelin.png"
# Open the list: the installed program must show the profile of its own folder.
xdotool mousemove --window "$wid" 240 34 click 1
sleep 1
import -window root -crop 494x240+0+0 "$1/frmTarvelin-lista.png"
INNER
identify "$build"/screenshots/*.png
$sudo rm -f "$program_dir/Ejemplo.cfp"
trap - EXIT

echo "== dpkg --purge"
$sudo dpkg --purge tarvelin
left=0
for path in "${leftovers[@]}"; do
    if [ -e "$path" ] || [ -L "$path" ]; then
        echo "Queda tras desinstalar: $path" >&2
        left=1
    fi
done
[ $left -eq 0 ] || exit 1
echo "Paquete instalado, iniciado y desinstalado sin restos en $(( $(date +%s) - start )) s: $deb"
