#!/usr/bin/env bash
# Times the engine's default conversion against the direct-API baseline.
#
#   bench/compare_engine.sh [-r RUNS] [-s SIZE] [-d SECONDS] [-b BUILD_DIR]
#
# Builds the Release programs (zentrova-direct-baseline, and the engine runner
# zentrova-engine-convert once it exists), generates an H.264 + AAC clip with
# the baseline from the libraries' synthetic sources, converts it RUNS times
# with each program using the same settings
# (" -b:a 128k -b:v 1000k -c:a libmp3lame -c:v libx264 -threads 2 -sn"),
# and prints the medians of wall time, CPU time (user + system) and peak
# resident memory, and the engine/baseline ratios.
# The engine's budget: CPU time at most 1.03x, peak memory at most 1.3x.
set -euo pipefail

runs=5
size=1280x720
seconds=20
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/bench"
while getopts "r:s:d:b:" opt; do
  case $opt in
    r) runs=$OPTARG ;;
    s) size=$OPTARG ;;
    d) seconds=$OPTARG ;;
    b) build=$OPTARG ;;
    *) echo "usage: $0 [-r RUNS] [-s WxH] [-d SECONDS] [-b BUILD_DIR]" >&2; exit 2 ;;
  esac
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if [ ! -x /usr/bin/time ]; then
  as_root apt-get install -y time >/dev/null
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTROVA_BUILD_TESTS=OFF \
    -DZENTROVA_BUILD_GUI=OFF >/dev/null
fi
targets=(zentrova-direct-baseline)
if grep -q zentrova-engine-convert "$repo/bench/CMakeLists.txt"; then targets+=(zentrova-engine-convert); fi
cmake --build "$build" --target "${targets[@]}" -j2 >/dev/null

baseline="$build/bench/zentrova-direct-baseline"
engine="$build/bench/zentrova-engine-convert"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clip="$work/source.mp4"
"$baseline" -f lavfi -c:a aac \
  "testsrc2=size=$size:rate=25:duration=$seconds[out0];sine=frequency=440:sample_rate=48000:duration=$seconds[out1]" \
  "$clip" >/dev/null
echo "source: $size, ${seconds} s, H.264 + AAC ($(stat -c %s "$clip") bytes); $runs runs each"

# measure NAME COMMAND... : runs the command $runs times, prints "NAME wall cpu rss_kib" medians.
measure() {
  local name=$1
  shift
  local walls=() cpus=() rsss=()
  for ((i = 0; i < runs; ++i)); do
    rm -f "$work/out.mp4"
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
      echo "$name failed:" >&2
      cat "$work/stderr.txt" >&2
      return 1
    }
    local wall user sys rss
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0; for (j = 1; j <= n; ++j) s = s * 60 + p[j]; print s}' "$work/time.txt")
    user=$(awk -F': ' '/User time/ {print $2}' "$work/time.txt")
    sys=$(awk -F': ' '/System time/ {print $2}' "$work/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    walls+=("$wall")
    cpus+=("$(awk -v u="$user" -v s="$sys" 'BEGIN {print u + s}')")
    rsss+=("$rss")
  done
  median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
  echo "$name $(median "${walls[@]}") $(median "${cpus[@]}") $(median "${rsss[@]}")"
}

base=$(measure baseline "$baseline" "$clip" "$work/out.mp4")
printf '%-9s wall %8.3f s  cpu %8.3f s  rss %8d KiB\n' $base
if [ -x "$engine" ]; then
  eng=$(measure engine "$engine" "$clip" "$work/out.mp4" \
    " -b:a 128k -b:v 1000k -c:a libmp3lame -c:v libx264 -threads 2 -sn")
  printf '%-9s wall %8.3f s  cpu %8.3f s  rss %8d KiB\n' $eng
  read -r _ bw bc br <<<"$base"
  read -r _ ew ec er <<<"$eng"
  awk -v bw="$bw" -v bc="$bc" -v br="$br" -v ew="$ew" -v ec="$ec" -v er="$er" 'BEGIN {
    printf "ratios    wall %.3f  cpu %.3f  rss %.3f   (budget: cpu <= 1.03, rss <= 1.30)\n", ew / bw, ec / bc, er / br
  }'
else
  echo "engine runner not built yet: only the baseline was measured"
fi
