#!/usr/bin/env bash
# Checks the Windows zip that scripts/windows/package.sh made, on this Debian machine: installs
# what the check needs, unpacks the zip, starts a virtual display and a Wine prefix for the
# program, and hands over to check.py, which runs the cases and prints "N passed, M failed"
# (screenshots in build-win/screenshots/).
set -euo pipefail

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
    imagemagick xclip python3
# The Linux build of the simulated Oracle driver, the PostgreSQL bed and psqlODBC.
bash "$root/scripts/deps.sh" test

work="$build/check"
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$zip")

export WINEPREFIX="$build/wine-prefix" WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko download prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
# -bs: no backing store, so an uncovered window shows again only if the program paints it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -bs 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
# Whatever the check left running goes; the check's own status stays the script's.
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(cat "$work/display")"
/usr/lib/wine/wine64 wineboot -i >"$work/wineboot.log" 2>&1
/usr/lib/wine/wineserver -w
# Windows has Tahoma, the face behind "MS Shell Dlg" that Qt takes for its widgets; Debian's Wine
# ships its own (fonts-wine) but does not put it where a new prefix finds it, and Qt would fall
# back to a serif face.
cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

/usr/bin/python3 "$here/check.py" "$work/$name" "$work"
