#!/usr/bin/env bash
# The Windows packages in one command: builds the Windows Qt if the cache lacks it
# (build-qt.sh), cross-builds Tarvelin.exe in build-win/ with MinGW-w64, and
# lays out the portable folder build-win/Tarvelin-<version>-win64/, its zip
# build-win/Tarvelin-<version>-win64.zip and the Windows Installer package of the
# same files, build-win/Tarvelin-<version>-win64.msi (wixl; cmake/WindowsInstaller.cmake).
# What goes in is what the program loads: the DLLs named in the import tables of
# the program and of the Qt plugins it loads, followed transitively; nothing else
# but data files.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/scripts/configure.sh"
build="$root/build-win"
qt_version=6.4.2
qt=${TARVELIN_WIN_QT:-$HOME/.cache/tarvelin/qt-$qt_version-mingw64}
export TARVELIN_WIN_QT="$qt"
mingw=x86_64-w64-mingw32
start=$(date +%s)

"$here/build-qt.sh"
# What this build uses itself, whether or not build-qt.sh had to install it for Qt.
"$here/packages.sh" g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake ninja-build qt6-base-dev \
    qt6-base-dev-tools base-files wixl msitools

# Warnings as errors here too: the Windows-only code is compiled nowhere else.
configure "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_FIND_ROOT_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DTARVELIN_BUILD_TESTS=OFF -DTARVELIN_WERROR=ON
nice -n 10 cmake --build "$build" --parallel 2

version=$(sed -n 's/^set(TARVELIN_VERSION_TEXT "\(.*\)")$/\1/p' "$root/CMakeLists.txt")
name="Tarvelin-$version-win64"
folder="$build/$name"
zip="$build/$name.zip"
rm -rf "$folder" "$zip"
mkdir -p "$folder"

# Where a DLL the program imports may come from; any other is Windows' own.
search=("$qt/bin" "/usr/lib/gcc/$mingw/12-posix" "/usr/$mingw/lib")
imports() { "$mingw-objdump" -p "$1" | sed -n 's/^\tDLL Name: //p'; }
find_dll() {
    local dir
    for dir in "${search[@]}"; do
        [ -f "$dir/$1" ] && { echo "$dir/$1"; return 0; }
    done
    return 0
}

# The programs and the plugins they load: the platform (windows), the style the
# windows platform picks (windowsvista) and the SQL driver (ODBC); the console
# program loads only the last.
cp "$build/Tarvelin.exe" "$build/tarvelin-cli.exe" "$folder/"
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll sqldrivers/qsqlodbc.dll; do
    mkdir -p "$folder/$(dirname "$plugin")"
    cp "$qt/plugins/$plugin" "$folder/$plugin"
done
pending=("$folder/Tarvelin.exe" "$folder/tarvelin-cli.exe" "$folder/platforms/qwindows.dll" "$folder/styles/qwindowsvistastyle.dll"
    "$folder/sqldrivers/qsqlodbc.dll")
while [ ${#pending[@]} -gt 0 ]; do
    file=${pending[0]}
    pending=("${pending[@]:1}")
    while read -r dll; do
        [ -f "$folder/$dll" ] && continue
        source=$(find_dll "$dll")
        [ -n "$source" ] || continue
        cp "$source" "$folder/$dll"
        pending+=("$folder/$dll")
    done < <(imports "$file")
done
find "$folder" -name '*.dll' -o -name '*.exe' | xargs "$mingw-strip" --strip-unneeded

# Qt's own texts in Spanish, where qt.conf tells Qt to look: without it Qt
# takes the folder above its DLLs as its prefix.
mkdir -p "$folder/translations"
cp "$qt/translations/qtbase_es.qm" "$folder/translations/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$folder/qt.conf"

cp "$root/resources/Ejemplo.cfp.example" "$folder/"
qt_source=$(cat "$qt/tarvelin-qt-source.txt")
# For Notepad: UTF-8 with its mark, Windows line ends.
{
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/; s/@QT_VERSION@/$qt_version/; s/@QT_SOURCE@/$qt_source/g" \
        "$root/resources/windows/LEEME.txt" | sed 's/$/\r/'
} >"$folder/LEEME.txt"

# Qt is LGPL 3 (which builds on GPL 3); the MinGW-w64 runtime's terms.
mkdir -p "$folder/licencias"
cp /usr/share/common-licenses/LGPL-3 "$folder/licencias/Qt-LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$folder/licencias/GPL-3.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$folder/licencias/mingw-w64.txt"
cp "/usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright" "$folder/licencias/gcc-runtime.txt"

(cd "$build" && cmake -E tar cf "$zip" --format=zip "$name")
cmake --build "$build" --target msi
echo "Carpeta portable: $folder"
(cd "$folder" && find . -type f | sort | xargs ls -l | awk '{printf "  %9d  %s\n", $5, $9}')
echo "Zip: $zip ($(stat -c %s "$zip") bytes)"
echo "MSI: $build/$name.msi ($(stat -c %s "$build/$name.msi") bytes) en $(( $(date +%s) - start )) s"
