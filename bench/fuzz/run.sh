#!/usr/bin/env bash
# Fuzzes the profile parser with libFuzzer: builds bench/fuzz with clang, runs
# at least a million inputs starting from the hand-written bench/fuzz/seeds and
# the inputs found earlier, bench/fuzz/corpus, and stops at the first crash,
# sanitizer report or broken invariant (exit status non-zero).
#
#   bash bench/fuzz/run.sh            run; the repository is left as it is
#   bash bench/fuzz/run.sh --keep     then replace bench/fuzz/corpus by the fewest inputs
#                                     that reach, beside the seeds, every edge the run reached
#
# FUZZ_RUNS overrides the number of inputs (default 1000000).
set -euo pipefail
cd "$(dirname "$0")/../.."

keep=0
case "${1:-}" in
"") ;;
--keep) keep=1 ;;
*)
    echo "usage: bench/fuzz/run.sh [--keep]" >&2
    exit 2
    ;;
esac
runs=${FUZZ_RUNS:-1000000}

bash scripts/deps.sh run
# clang and its libFuzzer runtime: needed here only, so not among the test packages.
fuzz_packages=(clang libclang-rt-14-dev)
missing=()
for p in "${fuzz_packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Instalando paquetes: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build=${TARVELIN_FUZZ_BUILD_DIR:-build-fuzz}
cmake -S bench/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

# libFuzzer writes every new input into its corpus folder: work on a copy.
scratch=$(mktemp -d /tmp/tarvelin-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/corpus" "$scratch/artifacts"
cp bench/fuzz/corpus/* "$scratch/corpus/" 2>/dev/null || true

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
log="$scratch/fuzz.log"
status=0
"$build/fuzz_profile_parser" -runs="$runs" -max_len=4096 -dict=bench/fuzz/profile.dict \
    -artifact_prefix="$scratch/artifacts/" -print_final_stats=1 "$scratch/corpus" bench/fuzz/seeds >"$log" 2>&1 || status=$?
if [ $status -ne 0 ]; then
    tail -n 60 "$log" >&2
    mkdir -p "$build/artifacts"
    cp -r "$scratch/artifacts/." "$build/artifacts/"
    echo "fuzz_profile_parser failed (status $status); the failing input is in $build/artifacts/" >&2
    exit $status
fi
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb|stat::new_units_added)' "$log"
executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
if [ "${executed:-0}" -lt "$runs" ]; then
    echo "only ${executed:-0} of $runs inputs were run" >&2
    exit 1
fi

if [ $keep -eq 1 ]; then
    # Merging into a copy of the seeds keeps only inputs that reach edges the
    # seeds do not; edges only, not hit counts, which keeps the corpus to a few
    # dozen small files.
    mkdir "$scratch/minimal"
    cp bench/fuzz/seeds/* "$scratch/minimal/"
    "$build/fuzz_profile_parser" -merge=1 -use_counters=0 -max_len=4096 "$scratch/minimal" "$scratch/corpus" \
        >"$scratch/merge.log" 2>&1
    for seed in bench/fuzz/seeds/*; do
        rm "$scratch/minimal/$(basename "$seed")"
    done
    rm -f bench/fuzz/corpus/*
    mkdir -p bench/fuzz/corpus
    cp "$scratch/minimal/"* bench/fuzz/corpus/
    echo "bench/fuzz/corpus: $(ls bench/fuzz/corpus | wc -l) inputs"
fi
