#!/usr/bin/env bash
# Builds Qt 6.4.2's qtbase for 64-bit Windows with Debian's MinGW-w64, from
# Debian's own qt6-base source package, and installs it into a cache outside
# the checkout: $TARVELIN_WIN_QT, by default ~/.cache/tarvelin/qt-6.4.2-mingw64.
# Returns at once when that cache already holds a build with the same options.
#
# Only what Tarvelin and its tests use: Core, Gui, Widgets, Sql with the ODBC
# driver, Test; the windows and offscreen platform plugins and the Windows
# styles. Shared libraries (LGPL). Qt's own code generators (moc, rcc, uic)
# are the host's Qt 6.4.2 (qt6-base-dev-tools), which must match the version.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
qt_version=6.4.2
prefix=${TARVELIN_WIN_QT:-$HOME/.cache/tarvelin/qt-$qt_version-mingw64}
work="$prefix-work"
stamp="$prefix/tarvelin-build.txt"

# Debian's source lacks third-party code it may not ship (src/3rdparty/wintab,
# iaccessible2, sqlite): tablet events need wintab.h, and with OpenGL off the
# windows plugin only compiles without dynamic GL. Qt 6.4 compiles its
# DirectWrite font database only together with Direct2D, yet the windows
# plugin refers to it whenever DirectWrite 3 is on: without Direct2D it is off
# too, and fonts come from GDI's database (Qt's default) drawn with DirectWrite.
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF
    -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
    -DFEATURE_sql=ON -DFEATURE_sql_odbc=ON
    -DFEATURE_sql_sqlite=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF
    -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF
    -DFEATURE_testlib=ON -DFEATURE_widgets=ON
    -DFEATURE_style_windows=ON -DFEATURE_style_windowsvista=ON
    -DFEATURE_gif=OFF -DFEATURE_jpeg=OFF -DFEATURE_ico=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_androiddeployqt=OFF
)
signature="qtbase $qt_version mingw-w64 x86_64 posix; ${options[*]}"

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$signature" ]; then
    echo "Qt $qt_version para Windows ya está en $prefix"
    exit 0
fi

"$here/packages.sh" g++-mingw-w64-x86-64-posix cmake ninja-build dpkg-dev xz-utils perl \
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n

host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
case "$host_version" in
    "$qt_version"*) ;;
    *) echo "Las herramientas de Qt del sistema son $host_version, no $qt_version" >&2; exit 1 ;;
esac

mkdir -p "$work"
src="$work/qt6-base"
if [ ! -f "$src/.tarvelin-unpacked" ]; then
    # A private sources list and lists folder: the machine's apt configuration
    # and its package lists stay as they are.
    apt_dir="$work/apt"
    rm -rf "$apt_dir" "$src"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$work/download"
    echo "deb-src http://deb.debian.org/debian bookworm main" >"$apt_dir/sources.list"
    apt_private=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o APT::Sandbox::User=root)
    echo "Descargando el código de qt6-base de Debian"
    apt-get -qq "${apt_private[@]}" update
    # The host tools' own Debian version when bookworm still has it, else its 6.4.2.
    (cd "$work/download" && { apt-get -qq "${apt_private[@]}" source --download-only "qt6-base=$host_version" \
        || apt-get -qq "${apt_private[@]}" source --download-only qt6-base; })
    dsc=$(ls "$work/download"/qt6-base_"$qt_version"*.dsc)
    # Not verified here: the maintainer's signature (no debian-keyring); apt has
    # checked the files against the archive's signed index.
    dpkg-source -x "$dsc" "$src" >"$work/dpkg-source.log" 2>&1 || { cat "$work/dpkg-source.log" >&2; exit 1; }
    basename "$dsc" .dsc | sed 's/^qt6-base_//' >"$src/.tarvelin-version"
    touch "$src/.tarvelin-unpacked"
fi

build="$work/build"
echo "Compilando Qt $qt_version para Windows en $build (registro: $work/build.log)"
start=$(date +%s)
{
    cmake -S "$src" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "${options[@]}"
    nice -n 10 cmake --build "$build" --parallel 2
    rm -rf "$prefix"
    cmake --install "$build"
} >"$work/build.log" 2>&1 || {
    tail -n 40 "$work/build.log" >&2
    echo "La compilación de Qt ha fallado; registro completo: $work/build.log" >&2
    exit 1
}

# The Debian source it came from, named in the package's LEEME.txt (LGPL).
cp "$src/.tarvelin-version" "$prefix/tarvelin-qt-source.txt"
# Qt's Spanish texts: translations are platform-independent, take Debian's.
mkdir -p "$prefix/translations"
cp /usr/share/qt6/translations/qtbase_es.qm "$prefix/translations/"

echo "$signature" >"$stamp"
echo "Qt $qt_version para Windows instalado en $prefix en $(( ($(date +%s) - start) / 60 )) min"
rm -rf "$work"
