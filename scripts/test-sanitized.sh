#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test
# under them. Any report fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-sanitize}
"$root/scripts/setup.sh" "$build" -DTAVRELIS_SANITIZE=ON
cd "$build"
# A throwaway PostgreSQL cluster for the server variants of the tests, removed however the run
# ends; without it those tests fail.
eval "$("$root/scripts/pg.sh" start)"
trap '"$root/scripts/pg.sh" destroy "$TAVRELIS_PG_DIR"' EXIT
export TAVRELIS_PG_DIR TAVRELIS_PG_URI
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
