#!/usr/bin/env bash
# Installs what is missing, builds Release and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec ./build/release/tools/zentrova-probe-libraries "$@"
