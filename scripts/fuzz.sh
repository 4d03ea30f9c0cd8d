#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in a build folder of their own and runs
# each for a fixed number of executions, starting from its seeds in fuzz/corpus/<target>.
# Installs what it needs first (only the packages missing), as setup.sh does.
#
# Usage: scripts/fuzz.sh [target...]      (default: every fuzz/fuzz_*.cpp)
# Environment: RUNS     executions per target (1000000)
#              TIMEOUT  seconds one input may take before it counts as a hang (10)
#              MAX_LEN  largest input in bytes (4096)
#              BUILD_DIR build folder (build-fuzz)
# Each target's log, grown corpus and any finding (crash-*, timeout-*, leak-*, oom-*) go to
# <build>/fuzz-runs/<target>/. Exits non-zero when any target has a finding.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-fuzz}
runs=${RUNS:-1000000}
timeout=${TIMEOUT:-10}
max_len=${MAX_LEN:-4096}

packages=(cmake make qt6-base-dev libsqlite3-dev clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "fuzz: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVRELIS_FUZZ=ON >/dev/null
cmake --build "$build" --target fuzzers -j"$(nproc)" >/dev/null

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for src in "$root"/fuzz/fuzz_*.cpp; do
        targets+=("$(basename "$src" .cpp)")
    done
fi

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
final_stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -1; }

rows=()
findings=0
for t in "${targets[@]}"; do
    bin="$build/bin/$t"
    [ -x "$bin" ] || { echo "fuzz: no target $t" >&2; exit 2; }
    out="$build/fuzz-runs/$t"
    mkdir -p "$out/corpus" "$out/artifacts"
    args=(-runs="$runs" -timeout="$timeout" -max_len="$max_len" -rss_limit_mb=2048
          -print_final_stats=1 -artifact_prefix="$out/artifacts/")
    [ -f "$root/fuzz/$t.dict" ] && args+=(-dict="$root/fuzz/$t.dict")
    echo "fuzz: $t, $runs executions ..."
    start=$(date +%s)
    set +e
    # The grown corpus is written to its own folder; the seeds in the tree are only read.
    "$bin" "${args[@]}" "$out/corpus" "$root/fuzz/corpus/$t" >"$out/log" 2>&1
    rc=$?
    set -e
    secs=$(($(date +%s) - start))
    execs=$(final_stat number_of_executed_units "$out/log")
    per_sec=$(final_stat average_exec_per_sec "$out/log")
    # Coverage (code edges reached), corpus kept and longest input tried, from the last line.
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$out/log" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$done_line")
    corp=$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$done_line")
    lim=$(sed -n 's/.* lim: \([0-9]*\).*/\1/p' <<<"$done_line")
    if [ $rc -eq 0 ]; then
        result="no finding"
    else
        findings=$((findings + 1))
        what=$(grep -m1 -E 'property broken|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' \
               "$out/log" || true)
        result="FINDING (${what:-exit $rc}); see $out"
    fi
    rows+=("$(printf '%-16s %10s %8s %7ss %5s %6s %6s  %s' "$t" "${execs:-?}" "${per_sec:-?}" \
              "$secs" "${cov:-?}" "${corp:-?}" "${lim:-?}" "$result")")
    echo "${rows[-1]}"
done

echo
printf '%-16s %10s %8s %8s %5s %6s %6s  %s\n' target executions exec/s time cov corpus len result
printf '%s\n' "${rows[@]}"
[ $findings -eq 0 ]
