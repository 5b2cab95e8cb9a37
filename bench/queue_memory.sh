#!/usr/bin/env bash
# Peak resident memory of zentrova-cli against the length of its batch: the
# same tiny clip queued N times (hard links), converted with the defaults.
# What a queued file costs is the growth of the peak from one length to the
# next; it should stay at a few KB per file.
#
#   bench/queue_memory.sh [-b BUILD_DIR] [-t TASKS] [LENGTH...]   (default 200 2000)
set -euo pipefail

build=build/release
tasks=3
while getopts "b:t:" opt; do
  case $opt in
    b) build=$OPTARG ;;
    t) tasks=$OPTARG ;;
    *) echo "usage: $0 [-b BUILD_DIR] [-t TASKS] [LENGTH...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
lengths=("$@")
[ ${#lengths[@]} -gt 0 ] || lengths=(200 2000)

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "$build" = build/release ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target zentrova-cli >/dev/null
fi
cli=$root/$build/cli/zentrova-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 0.2 s cut of the demo clip (the demo folder is the cli's; removed after).
demo_log=$("$cli" --demo -q 2>&1 || true)
sample=$(sed -n 's/^Demo: made the sample clip \(.*\); converting.*/\1/p' <<<"$demo_log")
[ -f "$sample" ] || { echo "no demo clip: $demo_log" >&2; exit 1; }
"$cli" -q --clip 0-0.2 -o "$work/tiny.mp4" "$sample"
rm -rf "$(dirname "$sample")"

printf '%8s %12s %10s\n' files peak_kib wall_s
for n in "${lengths[@]}"; do
  dir=$work/in$n
  mkdir "$dir"
  for ((i = 1; i <= n; i++)); do ln "$work/tiny.mp4" "$dir/c$i.mp4"; done
  (cd "$dir" && /usr/bin/time -f '%M %e' -o "$work/time" "$cli" -q --tasks "$tasks" c*.mp4 >/dev/null 2>&1) || true
  read -r peak wall <"$work/time"
  printf '%8d %12d %10s\n' "$n" "$peak" "$wall"
  rm -rf "$dir"
done
