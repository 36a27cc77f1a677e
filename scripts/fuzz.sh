#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one for a while.
#   scripts/fuzz.sh [seconds per target, default 30] [target ...]
# Each target starts from a copy of its seed corpus in fuzz/corpus/<target>/ (the committed
# corpus never grows). Inputs that crash are kept in build-fuzz/fuzz-artifacts/. Exits
# non-zero when any target crashed.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true

# Target and the longest input it is given.
declare -A max_len=(
    [replies]=64
    [sensorblock]=513
    [numbers]=512
    [curvetable]=512
    [languagefile]=4096
    [backupfile]=8192
)
order=(replies sensorblock numbers curvetable languagefile backupfile)
[ $# -gt 0 ] && order=("$@")
for name in "${order[@]}"; do
    [ -n "${max_len[$name]:-}" ] || {
        echo "No fuzz target '$name'; there are: ${!max_len[*]}" >&2
        exit 2
    }
done

scripts/setup-deps.sh clang-14 libclang-rt-14-dev

build=build-fuzz
# The compiler is chosen once, when the build directory is made.
compiler=()
if [ ! -f "$build/CMakeCache.txt" ]; then
    cxx=clang++-14
    command -v "$cxx" >/dev/null || cxx=clang++
    compiler=(-DCMAKE_CXX_COMPILER="$cxx")
fi
cmake -S . -B "$build" -G Ninja "${compiler[@]}" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS=-O1 -DTORANCAL_FUZZ=ON >/dev/null
targets=()
for name in "${order[@]}"; do
    targets+=("fuzz_$name")
done
cmake --build "$build" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

failed=0
printf '%-14s %12s %10s  %s\n' target executions exec/s result
for name in "${order[@]}"; do
    corpus="$work/corpus-$name"
    mkdir -p "$corpus"
    cp -r "fuzz/corpus/$name/." "$corpus/" 2>/dev/null || true
    log="$work/$name.log"
    status=0
    "$build/fuzz/fuzz_$name" -max_total_time="$seconds" \
        -max_len="${max_len[$name]}" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$name-" "$corpus" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    result="ok"
    if [ "$status" -ne 0 ]; then
        result="CRASHED (exit $status), inputs in $artifacts/"
        failed=1
        grep -E 'ERROR|runtime error|SUMMARY' "$log" | head -5 | sed 's/^/    /' >&2 || true
        cp "$log" "$artifacts/$name.log"
    fi
    printf '%-14s %12s %10s  %s\n' "$name" "${runs:-?}" "${rate:-?}" "$result"
done
exit "$failed"
