#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them, printing every figure with its
# repetitions and a summary of the figures against their targets.
#
#   bash bench/run.sh [build-dir]        (default: build-bench at the top of the checkout)
#
# (e) needs the PostgreSQL test bed: the one named by TARVELIN_PG_* when set,
# otherwise a throwaway one started here (tests/support/pg/testbed.sh) and
# stopped at the end. Everything runs on the offscreen platform; the start-up
# (f, g) runs again under Xvfb when xvfb-run is installed. Nothing here runs
# under ctest.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVELIN_WERROR=ON \
    -DTARVELIN_BUILD_TESTS=ON -DTARVELIN_BUILD_BENCH=ON >/dev/null
benches=(bench_window_run bench_form_load bench_peak_memory bench_pg_layer bench_startup)
# The machine is shared: two jobs at most.
cmake --build "$build" -j 2 --target "${benches[@]}"

export QT_QPA_PLATFORM=offscreen
scratch=$(mktemp -d /tmp/tarvelin-bench.XXXXXX)
# The test bed's server runs as another user when run as root: it must reach its folder.
chmod 755 "$scratch"
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

bed=""
cleanup() {
    if [[ -n "$bed" ]]; then
        bash "$root/tests/support/pg/testbed.sh" stop "$bed" || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

if [[ -z "${TARVELIN_PG_CONNECTION:-}" ]]; then
    bed=$scratch/pg
    if bash "$root/tests/support/pg/testbed.sh" start "$bed"; then
        # shellcheck disable=SC1091
        source "$bed/env"
    else
        echo "(no PostgreSQL test bed could be started: (e) is skipped)"
        bed=""
    fi
fi

memory_kib=$(awk '/^MemTotal:/ { print $2 }' /proc/meminfo)
echo "Machine: $(nproc) CPUs, $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)," \
    "$((memory_kib / 1024)) MiB RAM, $(uname -sr), Qt $(pkg-config --modversion Qt6Core 2>/dev/null || echo '?')"
echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
load() { cut -d' ' -f1-3 /proc/loadavg; }
echo "Load average at start: $(load)"
echo

log=$scratch/bench.log
# A benchmark that fails says so in the summary, and the next one runs all the same.
measure() {
    local name=$1
    shift
    if ! "$@" | tee -a "$log"; then
        echo "FIGURE $name | stopped early (exit code ${PIPESTATUS[0]}) | - | - | - | FAILED" | tee -a "$log"
    fi
    echo
}
for bench in "${benches[@]}"; do
    echo "[load average before $bench: $(load)]"
    measure "$bench" "$build/bench/$bench"
done
if command -v xvfb-run >/dev/null; then
    echo "[load average before bench_startup under Xvfb: $(load)]"
    measure "bench_startup under Xvfb" xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb \
        "$build/bench/bench_startup"
else
    echo "(xvfb-run not installed: the start-up is measured on the offscreen platform only)"
fi

echo "Load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Summary (medians; ratios measured side by side in this run):"
grep '^FIGURE ' "$log" | sed 's/^FIGURE /  /'
