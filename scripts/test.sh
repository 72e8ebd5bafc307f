#!/usr/bin/env bash
# Builds Tarvelin with warnings as errors and runs the whole test suite, with a
# throwaway PostgreSQL server for the integration tests and a throwaway keyring
# for the stored-password tests; then the same suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer
# (TARVELIN_SKIP_SANITIZE=1 leaves that second pass out).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/configure.sh
bash scripts/deps.sh test
build=${TARVELIN_TEST_BUILD_DIR:-build/test}
configure "$build" -DCMAKE_BUILD_TYPE=Debug -DTARVELIN_BUILD_TESTS=ON -DTARVELIN_WERROR=ON
cmake --build "$build" -j2
bash scripts/with-keyring.sh bash scripts/with-pg.sh ctest --test-dir "$build" --output-on-failure -j2 --timeout 300

if [ "${TARVELIN_SKIP_SANITIZE:-0}" != 1 ]; then
    bash scripts/test-sanitize.sh
fi
