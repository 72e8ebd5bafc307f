# Sourced by the scripts that build Tarvelin: `configure BUILD CMAKE-OPTION...` configures the
# source tree into BUILD with Ninja.
#
# With TARVELIN_CONFIGURE_TRACE=DIR the script that calls it only reports what it would use and
# stops there: deps.sh appends the packages it is asked for to DIR/packages and installs nothing,
# the configuration goes
# into DIR/build instead of BUILD with CMake's trace in DIR/trace.json, and the script exits after
# configuring. tests/system/setup/check_packages.py reads those files.
configure() {
    local build=$1
    shift
    local source
    source=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    if [ -n "${TARVELIN_CONFIGURE_TRACE:-}" ]; then
        cmake -S "$source" -B "$TARVELIN_CONFIGURE_TRACE/build" -G Ninja "$@" \
            --trace-expand --trace-format=json-v1 --trace-redirect="$TARVELIN_CONFIGURE_TRACE/trace.json" >/dev/null
        exit 0
    fi
    cmake -S "$source" -B "$build" -G Ninja "$@" >/dev/null
}
