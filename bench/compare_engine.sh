#!/usr/bin/env bash
# Every speed target of the command line against the direct-API programs, in
# one run, as ratios.
#
#   bench/compare_engine.sh [-r RUNS] [-b BUILD_DIR] [-n PLAN_FILES] [-q]
#
# Builds the Release zentrova-cli, zentrova-direct-baseline and
# zentrova-direct-probe, generates the sources with the baseline from the
# libraries' synthetic sources, and measures, interleaved (baseline, then
# zentrova-cli, RUNS times), the median wall time, CPU time (user + system)
# and peak resident memory of:
#   480p MKV   an 854x480 25 fps 10 s H.264 + AAC Matroska clip to MP4
#   2 s clip   an 854x480 2 s H.264 + AAC MP4 clip to MP4 (its wall-time
#              difference is the conversion's fixed start-up cost)
#   audio      a 10 s 48 kHz stereo WAV file to MP3
#   picture    an 854x480 PNG picture to MP4
# each with the baseline's settings (libx264 1000k, libmp3lame 128k) through
# zentrova-cli's own builders (--vb 1000; the default audio rate is 128k);
# then --info on one file and on 100 links to it against a bare probe; a
# batch of six 480p clips three at a time against three baseline processes
# at a time; and how long zentrova-cli takes to plan and queue PLAN_FILES
# (default 1000) links to the 2 s clip (until its first "started" event).
# -q runs a quick pass (3 runs, 200 files to plan) to check the script.
#
# Targets: single files within 1.03x of the baseline in wall and CPU time
# and 1.2x in memory; start-up under 15 ms beyond the baseline; --info within
# 1.5x of the probe, 100 files under 0.5 s; the batch at most 0.90x of the
# baseline's; 1000 files planned in under 5 s.
set -euo pipefail

runs=9
plan_files=1000
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/release"
while getopts "r:b:n:q" opt; do
  case $opt in
    r) runs=$OPTARG ;;
    b) build=$OPTARG ;;
    n) plan_files=$OPTARG ;;
    q) runs=3 plan_files=200 ;;
    *) echo "usage: $0 [-r RUNS] [-b BUILD_DIR] [-n PLAN_FILES] [-q]" >&2; exit 2 ;;
  esac
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZENTROVA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target zentrova-cli zentrova-direct-baseline zentrova-direct-probe -j2 >/dev/null
cli="$build/cli/zentrova-cli"
baseline="$build/bench/zentrova-direct-baseline"
probe="$build/bench/zentrova-direct-probe"
timed="$repo/bench/run_timed.py"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lavfi() { "$baseline" -f lavfi "$@" >/dev/null; }
picture="testsrc2=size=854x480:rate=25"
sound="sine=frequency=440:sample_rate=48000"
lavfi -c:a aac "$picture:duration=10[out0];$sound:duration=10[out1]" "$work/clip480.mkv"
lavfi -c:a aac "$picture:duration=2[out0];$sound:duration=2[out1]" "$work/clip2s.mp4"
lavfi -c:a pcm_s16le "$sound:duration=10,aformat=channel_layouts=stereo[out0]" "$work/tone.wav"
lavfi -c:v png "$picture:duration=0.04[out0]" "$work/picture.png"

echo "machine: $(nproc) processors, $(uptime | sed 's/.*load/load/'); $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "$runs runs each, medians; ratios are zentrova-cli / baseline"
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }

# single NAME SOURCE OUTPUT_NAME CLI_OPTION...: one row of the single-file table.
single() {
  local name=$1 source=$2 output=$3
  shift 3
  local bw=() bc=() br=() ew=() ec=() er=()
  for ((r = 0; r < runs; ++r)); do
    rm -f "$work/$output"
    read -r w c m < <("$timed" "$baseline" "$source" "$work/$output")
    bw+=("$w") bc+=("$c") br+=("$m")
    rm -f "$work/$output"
    read -r w c m < <("$timed" "$cli" -q "$@" -o "$work/$output" "$source")
    ew+=("$w") ec+=("$c") er+=("$m")
  done
  local mbw mbc mbr mew mec mer
  mbw=$(median "${bw[@]}") mbc=$(median "${bc[@]}") mbr=$(median "${br[@]}")
  mew=$(median "${ew[@]}") mec=$(median "${ec[@]}") mer=$(median "${er[@]}")
  printf '%-10s baseline %7.3f s %7.3f s %6.1f MiB | cli %7.3f s %7.3f s %6.1f MiB | wall %s cpu %s rss %s\n' \
    "$name" "$mbw" "$mbc" "$(awk -v k="$mbr" 'BEGIN {print k / 1024}')" \
    "$mew" "$mec" "$(awk -v k="$mer" 'BEGIN {print k / 1024}')" \
    "$(ratio "$mew" "$mbw")" "$(ratio "$mec" "$mbc")" "$(ratio "$mer" "$mbr")"
  if [ "$name" = "2 s clip" ]; then
    awk -v e="$mew" -v b="$mbw" 'BEGIN {printf "start-up   %.1f ms beyond the baseline (target < 15 ms)\n", (e - b) * 1000}'
  fi
}

echo "single files (wall, CPU, peak memory; targets: wall and cpu <= 1.03, rss <= 1.2)"
single "480p MKV" "$work/clip480.mkv" out.mp4 --vb 1000
single "2 s clip" "$work/clip2s.mp4" out.mp4 --vb 1000
single "audio" "$work/tone.wav" out.mp3 --format MP3
single "picture" "$work/picture.png" out.mp4 --vb 1000

# --info against the bare probe: one file, and 100 links to it in one call.
many=()
for ((i = 0; i < 100; ++i)); do
  ln "$work/clip2s.mp4" "$work/copy$i.mp4"
  many+=("$work/copy$i.mp4")
done
info_row() {
  local name=$1
  shift
  local pw=() iw=()
  for ((r = 0; r < runs * 2; ++r)); do
    pw+=("$("$timed" "$probe" "$@" | cut -d' ' -f1)")
    iw+=("$("$timed" "$cli" --info "$@" | cut -d' ' -f1)")
  done
  local mp mi
  mp=$(median "${pw[@]}") mi=$(median "${iw[@]}")
  printf '%-10s probe %6.1f ms | cli --info %6.1f ms | ratio %s\n' "$name" \
    "$(awk -v s="$mp" 'BEGIN {print s * 1000}')" "$(awk -v s="$mi" 'BEGIN {print s * 1000}')" "$(ratio "$mi" "$mp")"
}
echo "--info (targets: one file <= 1.5x the probe, 100 files < 0.5 s)"
info_row "one file" "$work/clip2s.mp4"
info_row "100 files" "${many[@]}"
rm -f "$work"/copy*.mp4

# Six 480p 10 s clips, three at a time.
sources=()
for ((i = 0; i < 6; ++i)); do
  lavfi -c:a aac "$picture:duration=10,hue=h=$((i * 50))[out0];$sound:duration=10[out1]" "$work/batch$i.mp4"
  sources+=("$work/batch$i.mp4")
done
batch_runs=$(((runs + 2) / 3))
bw=() ew=()
for ((r = 0; r < batch_runs; ++r)); do
  rm -rf "$work/out" && mkdir "$work/out"
  bw+=("$("$timed" xargs -P 3 -I{} sh -c '"$0" "$1" "$2/$(basename "$1")"' "$baseline" {} "$work/out" \
    < <(printf '%s\n' "${sources[@]}") | cut -d' ' -f1)")
  rm -rf "$work/out" && mkdir "$work/out"
  ew+=("$("$timed" "$cli" -q --vb 1000 --tasks 3 --out "$work/out" "${sources[@]}" | cut -d' ' -f1)")
done
echo "batch of six 480p 10 s clips, three at a time, $batch_runs runs (target: <= 0.90)"
printf '%-10s baseline %6.2f s | cli %6.2f s | ratio %s\n' "batch" "$(median "${bw[@]}")" "$(median "${ew[@]}")" \
  "$(ratio "$(median "${ew[@]}")" "$(median "${bw[@]}")")"

# Planning: the time until zentrova-cli starts converting PLAN_FILES links.
rm -rf "$work/plan" "$work/out" && mkdir "$work/plan" "$work/out"
for ((i = 0; i < plan_files; ++i)); do ln "$work/clip2s.mp4" "$work/plan/clip$i.mp4"; done
start=$EPOCHREALTIME
"$cli" --json --tasks 1 --out "$work/out" "$work/plan"/*.mp4 >"$work/plan.json" 2>/dev/null &
pid=$!
# The first "started" event: every file has been planned and queued.
until grep -q '"event":"started"' "$work/plan.json"; do
  kill -0 "$pid" 2>/dev/null || { echo "zentrova-cli ended before converting" >&2; exit 1; }
  sleep 0.01
done
planned=$EPOCHREALTIME
kill -INT "$pid"
wait "$pid" || true
echo "planning (target: $plan_files files < 5 s)"
printf '%-10s %d files planned and queued in %.2f s\n' "plan" "$plan_files" \
  "$(awk -v a="$start" -v b="$planned" 'BEGIN {print b - a}')"
