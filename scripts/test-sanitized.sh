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
# intercept_tls_get_addr=0: GCC 12's runtime takes a dynamic TLS block that malloc happens to
# put 16 bytes into a page for a glibc 2.19 one and reads the allocator's chunk header before it
# as the block's range, so the leak check's tracer faults scanning that range. A print run has
# such a block (libjpeg's thread-local: Qt writes a sheet's images as JPEG); where it lands
# depends on the machine. The blocks are still scanned: LSan counts whatever the dynamic linker
# allocates as a root.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:intercept_tls_get_addr=0"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
