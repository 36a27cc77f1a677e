#!/usr/bin/env bash
# Builds ToranCal and runs the whole test suite headless.
#   scripts/test.sh            the normal build, in build/
#   scripts/test.sh --asan     the same suite built with AddressSanitizer and UBSan, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh

preset=dev
[ "${1:-}" = "--asan" ] && preset=asan

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --preset "$preset"
