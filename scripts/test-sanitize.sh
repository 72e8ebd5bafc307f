#!/usr/bin/env bash
# Builds Tarvelin and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs the whole suite under them, with a throwaway PostgreSQL server for
# the integration tests and a throwaway keyring for the stored-password tests.
# Any sanitizer report fails the test it occurs in.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/configure.sh
bash scripts/deps.sh test
build=${TARVELIN_ASAN_BUILD_DIR:-build/asan}
configure "$build" -DCMAKE_BUILD_TYPE=Debug -DTARVELIN_BUILD_TESTS=ON -DTARVELIN_WERROR=ON -DTARVELIN_SANITIZE=ON
cmake --build "$build" -j2

# Leaks are reported at exit and fail the test (exitcode 23 is LSan's own);
# the suppressions cover only system libraries built without the sanitizers. The end-to-end
# runs ask for whole stacks for the program they start (tests/system/e2e/e2e_run.sh).
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/support/sanitizers/lsan.supp:print_suppressions=0"
bash scripts/with-keyring.sh bash scripts/with-pg.sh ctest --test-dir "$build" --output-on-failure -j2 --timeout 900
