#!/usr/bin/env bash
# The application adding many files at once: the longest stall of its GUI
# thread and the time until the last row.
#
#   bench/app_adding/app_adding.sh [-n FILES] [-r RUNS] [-b BUILD_DIR]
#
# Builds the Release zentrova-bench-app-adding and zentrova-direct-baseline,
# generates a 2 s 854x480 H.264 + AAC clip and runs the bench RUNS times
# (default 3) on FILES (default 1000) hard links to it.
set -euo pipefail

files=1000
runs=3
repo=$(cd "$(dirname "$0")/../.." && pwd)
build="$repo/build/release"
while getopts "n:r:b:" opt; do
  case $opt in
    n) files=$OPTARG ;;
    r) runs=$OPTARG ;;
    b) build=$OPTARG ;;
    *) echo "usage: $0 [-n FILES] [-r RUNS] [-b BUILD_DIR]" >&2; exit 2 ;;
  esac
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTROVA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target zentrova-bench-app-adding zentrova-direct-baseline -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip="$work/clip.mp4"
"$build/bench/zentrova-direct-baseline" -f lavfi -c:a aac \
  "testsrc2=size=854x480:rate=25:duration=2[out0];sine=frequency=440:sample_rate=48000:duration=2[out1]" \
  "$clip" >/dev/null
echo "machine: $(nproc) processors, $(uptime | sed 's/.*load/load/'); $(date -u '+%Y-%m-%d %H:%M UTC')"
for ((r = 1; r <= runs; ++r)); do
  echo "run $r:"
  "$build/bench/app_adding/zentrova-bench-app-adding" "$clip" --files "$files" | sed 's/^/  /'
done
