#!/usr/bin/env bash
# Times a batch converted several files at once, with the encoder threads
# the encoder component shares among its running tasks against every task
# taking all processors (the rule before the sharing), and against the
# direct-API baseline run that many at a time.
#
#   bench/batch_threads.sh [-r RUNS] [-n FILES] [-t TASKS] [-s SIZE] [-d SECONDS] [-b BUILD_DIR]
#
# Builds the Release zentrova-cli and zentrova-direct-baseline, generates
# FILES H.264 + AAC clips (default six 854x480 25 fps clips of 10 s), then
# per run, one after another:
#   shared     zentrova-cli --tasks TASKS FILES...         (the shared threads)
#   all        the same with --output-options "-threads P" (P = processors)
#   baseline   TASKS zentrova-direct-baseline processes at a time (xargs -P)
# and prints the median wall and CPU time (user + system) of each and the
# ratios to "all" and to "baseline".
set -euo pipefail

runs=3
files=6
tasks=3
size=854x480
seconds=10
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/release"
while getopts "r:n:t:s:d:b:" opt; do
  case $opt in
    r) runs=$OPTARG ;;
    n) files=$OPTARG ;;
    t) tasks=$OPTARG ;;
    s) size=$OPTARG ;;
    d) seconds=$OPTARG ;;
    b) build=$OPTARG ;;
    *) echo "usage: $0 [-r RUNS] [-n FILES] [-t TASKS] [-s WxH] [-d SECONDS] [-b BUILD_DIR]" >&2; exit 2 ;;
  esac
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTROVA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target zentrova-cli zentrova-direct-baseline -j2 >/dev/null
cli="$build/cli/zentrova-cli"
baseline="$build/bench/zentrova-direct-baseline"
processors=$(nproc)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sources=()
for ((i = 0; i < files; ++i)); do
  # A different picture per file (the pattern's start), the same amount of work.
  "$baseline" -f lavfi -c:a aac \
    "testsrc2=size=$size:rate=25:duration=$seconds,hue=h=$((i * 50))[out0];sine=frequency=$((440 + i * 20)):sample_rate=48000:duration=$seconds[out1]" \
    "$work/src$i.mp4" >/dev/null
  sources+=("$work/src$i.mp4")
done
echo "$files sources: $size, $seconds s, H.264 + AAC; $tasks at once on $processors processors; $runs runs each"
echo "machine: $(uptime | sed 's/.*load/load/'); $(date -u '+%Y-%m-%d %H:%M UTC')"

# one NAME: prints "wall cpu" of one batch.
one() {
  rm -rf "$work/out" && mkdir "$work/out"
  case $1 in
    shared) /usr/bin/time -f '%e %U %S' -o "$work/time.txt" "$cli" -q --tasks "$tasks" --out "$work/out" "${sources[@]}" ;;
    all) /usr/bin/time -f '%e %U %S' -o "$work/time.txt" "$cli" -q --tasks "$tasks" --out "$work/out" \
      --output-options "-threads $processors" "${sources[@]}" ;;
    baseline) /usr/bin/time -f '%e %U %S' -o "$work/time.txt" xargs -P "$tasks" -I{} \
      sh -c '"$0" "$1" "$2/$(basename "$1")" >/dev/null' "$baseline" {} "$work/out" < <(printf '%s\n' "${sources[@]}") ;;
  esac
  local made
  made=$(find "$work/out" -name '*.mp4' -size +0 | wc -l)
  if [ "$made" -ne "$files" ]; then
    echo "$1: $made of $files outputs" >&2
    exit 1
  fi
  awk '{print $1, $2 + $3}' "$work/time.txt"
}

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

declare -A walls cpus
for ((r = 0; r < runs; ++r)); do
  # Interleaved, so that a change in the machine's load touches every kind alike.
  for kind in shared all baseline; do
    one "$kind" >"$work/result.txt"
    read -r wall cpu <"$work/result.txt"
    walls[$kind]+="$wall "
    cpus[$kind]+="$cpu "
  done
done
for kind in shared all baseline; do
  # shellcheck disable=SC2086
  printf '%-9s wall %8.2f s  cpu %8.2f s\n' "$kind" "$(median ${walls[$kind]})" "$(median ${cpus[$kind]})"
done
# shellcheck disable=SC2086
awk -v s="$(median ${walls[shared]})" -v a="$(median ${walls[all]})" -v b="$(median ${walls[baseline]})" 'BEGIN {
  printf "shared/all wall %.3f   shared/baseline wall %.3f\n", s / a, s / b
}'
