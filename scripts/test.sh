#!/usr/bin/env bash
# Builds Tarvelin with warnings as errors and runs the whole test suite, with a
# throwaway PostgreSQL server for the integration tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
build=${TARVELIN_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVELIN_WERROR=ON >/dev/null
cmake --build "$build" -j2

pgdir=$(mktemp -d /tmp/tarvelin-pg.XXXXXX)
trap 'bash tests/pg/testbed.sh stop "$pgdir"' EXIT
bash tests/pg/testbed.sh start "$pgdir"
# shellcheck disable=SC1091
source "$pgdir/env"
export TARVELIN_REQUIRE_PG=1
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
