#!/usr/bin/env bash
# Runs a command with a throwaway PostgreSQL server for the integration tests:
# started on a free loopback port, described by the TARVELIN_PG_* variables,
# stopped and removed when the command ends, whichever way it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
pgdir=$(mktemp -d /tmp/tarvelin-pg.XXXXXX)
trap 'bash tests/support/pg/testbed.sh stop "$pgdir"' EXIT
bash tests/support/pg/testbed.sh start "$pgdir"
# shellcheck disable=SC1091
source "$pgdir/env"
export TARVELIN_REQUIRE_PG=1
"$@"
