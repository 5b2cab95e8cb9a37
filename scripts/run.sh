#!/usr/bin/env bash
# Installs what is missing, builds Release and runs the main job:
#   ./scripts/run.sh               the application when it is built and a display is
#                                  present, otherwise the demo conversion
#   ./scripts/run.sh FILES...      converts the files with zentrova-cli (its options too:
#                                  ./scripts/run.sh --format WebM a.mov; --help lists them)
#   ./scripts/run.sh --demo        makes a short sample clip and converts it
#   ./scripts/run.sh --cli ARGS... zentrova-cli with exactly these arguments
set -euo pipefail
caller_dir=$PWD
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

./scripts/setup.sh
cmake --preset release >/dev/null

cli="$root/build/release/cli/zentrova-cli"
app="$root/build/release/app/ui/zentrova"

has_display() { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }

if [ $# -eq 0 ] && has_display; then
  # The whole project, the application included.
  if cmake --build --preset release && [ -x "$app" ]; then
    cd "$caller_dir"
    exec "$app"
  fi
  echo "run.sh: the application is not available; running the demo conversion instead." >&2
fi

cmake --build --preset release --target zentrova-cli
cd "$caller_dir"  # file names are the caller's
if [ $# -eq 0 ]; then
  exec "$cli" --demo
fi
if [ "$1" = "--cli" ]; then
  shift
fi
exec "$cli" "$@"
