#!/usr/bin/env bash
# Installs the Debian packages Tarvelin needs: `deps.sh run` to build and start
# it, `deps.sh test` to build and test it, `deps.sh PACKAGE...` the packages
# named (the Windows and packaging scripts). Quick when all are there already.
set -euo pipefail

# libsecret-1-dev, pkgconf: the profile library reads stored passwords from the Secret Service.
run_packages=(cmake ninja-build g++ qt6-base-dev libqt6sql6-odbc unixodbc unixodbc-dev qt6-translations-l10n
    fonts-dejavu-core libsecret-1-dev pkgconf)
# dpkg-dev: the check of package-deb.sh's packages configures as it does, with dpkg-buildflags.
# gnome-keyring, libsecret-tools: a throwaway Secret Service for the stored-password suites.
test_packages=(qt6-base-private-dev python3 dpkg-dev postgresql odbc-postgresql xvfb xauth xdotool imagemagick x11-utils
    dbus-daemon at-spi2-core python3-pyatspi gnome-keyring libsecret-tools)

case "${1:-run}" in
run) packages=("${run_packages[@]}") ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
*) packages=("$@") ;;
esac

# A script asked only what it would use (scripts/configure.sh) says which packages it asks for
# and installs nothing: that check must not change the machine.
if [ -n "${TARVELIN_CONFIGURE_TRACE:-}" ]; then
    printf '%s\n' "${packages[@]}" >>"$TARVELIN_CONFIGURE_TRACE/packages"
    exit 0
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Instalando paquetes: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
