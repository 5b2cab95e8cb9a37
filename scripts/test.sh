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
# The option-string fuzz target for a bounded time, when clang is present
# (its own instrumented build; see fuzz/README.md).
if command -v clang++ >/dev/null 2>&1; then
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTROVA_FUZZ=ON \
    -DZENTROVA_SANITIZE=ON -DZENTROVA_BUILD_TESTS=OFF -DZENTROVA_BUILD_GUI=OFF >/dev/null
  cmake --build build/fuzz --target zentrova_option_fuzzer -j2
  mkdir -p build/fuzz/corpus
  build/fuzz/fuzz/zentrova_option_fuzzer -max_total_time=60 -dict=fuzz/options.dict build/fuzz/corpus \
    >build/fuzz/last-run.log 2>&1 || { tail -n 60 build/fuzz/last-run.log; exit 1; }
  grep -E '^Done [0-9]+ runs' build/fuzz/last-run.log || true
fi
ctest --preset ci -j "$(nproc)"
# Damaged files for a short while (tests/damaged_files/campaign.py runs at
# length by hand): no crash, hang, changed input or empty output allowed.
python3 tests/damaged_files/campaign.py --cli build/ci/cli/zentrova-cli --seconds 40

# The concurrency tests (run lifecycle, hooks, preview, progress) once more
# under ThreadSanitizer.
cmake --preset tsan >/dev/null
cmake --build --preset tsan
TSAN_OPTIONS="${TSAN_OPTIONS:-suppressions=$PWD/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1}" \
  ctest --preset tsan -j "$(nproc)"
