#!/usr/bin/env bash
# The fixed cost of `zentrova-cli --info` against a bare probe of the same file.
#
#   bench/info_cost.sh [-r RUNS] [-n FILES] [-b BUILD_DIR]
#
# Builds the Release zentrova-cli and zentrova-direct-probe, generates a 2 s
# 854x480 H.264 + AAC clip, and prints the median wall time (ms) of RUNS
# calls on that one file, and of RUNS calls on FILES links to it at once
# (default 20 runs, 100 files), for each program, and the ratios.
set -euo pipefail

runs=20
files=100
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/release"
while getopts "r:n:b:" opt; do
  case $opt in
    r) runs=$OPTARG ;;
    n) files=$OPTARG ;;
    b) build=$OPTARG ;;
    *) echo "usage: $0 [-r RUNS] [-n FILES] [-b BUILD_DIR]" >&2; exit 2 ;;
  esac
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTROVA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target zentrova-cli zentrova-direct-probe zentrova-direct-baseline -j2 >/dev/null
cli="$build/cli/zentrova-cli"
probe="$build/bench/zentrova-direct-probe"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip="$work/clip.mp4"
"$build/bench/zentrova-direct-baseline" -f lavfi -c:a aac \
  "testsrc2=size=854x480:rate=25:duration=2[out0];sine=frequency=440:sample_rate=48000:duration=2[out1]" \
  "$clip" >/dev/null
many=()
for ((i = 0; i < files; ++i)); do
  ln "$clip" "$work/copy$i.mp4"
  many+=("$work/copy$i.mp4")
done
echo "machine: $(nproc) processors, $(uptime | sed 's/.*load/load/'); $(date -u '+%Y-%m-%d %H:%M UTC')"

# ms COMMAND...: the median wall time of $runs runs, in milliseconds.
ms() {
  local times=()
  for ((r = 0; r < runs; ++r)); do
    local start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; return 1; }
    times+=("$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {print (b - a) * 1000}')")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'
}

one_cli=$(ms "$cli" --info "$clip")
one_probe=$(ms "$probe" "$clip")
many_cli=$(ms "$cli" --info "${many[@]}")
many_probe=$(ms "$probe" "${many[@]}")
printf 'one file      --info %7.1f ms   probe %7.1f ms   ratio %.2f\n' "$one_cli" "$one_probe" \
  "$(awk -v a="$one_cli" -v b="$one_probe" 'BEGIN {print a / b}')"
printf '%4d files    --info %7.1f ms   probe %7.1f ms   ratio %.2f\n' "$files" "$many_cli" "$many_probe" \
  "$(awk -v a="$many_cli" -v b="$many_probe" 'BEGIN {print a / b}')"
