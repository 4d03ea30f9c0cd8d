#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" "$build"
cd "$build"
# A throwaway PostgreSQL cluster for the server variants of the tests, removed however the run
# ends; without it those tests fail.
eval "$("$root/scripts/pg.sh" start)"
trap '"$root/scripts/pg.sh" destroy "$TAVRELIS_PG_DIR"' EXIT
export TAVRELIS_PG_DIR TAVRELIS_PG_URI
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
