#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer preset and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake --preset ci >/dev/null
cmake --build --preset ci
# Leak checks on; the media libraries' own one-time allocations are not ours.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen
ctest --preset ci -j "$(nproc)"
