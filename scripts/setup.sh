#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Idempotent: packages already present are not touched.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format binutils python3
  libavcodec-dev libavformat-dev libavfilter-dev libavdevice-dev
  libswscale-dev libswresample-dev libavutil-dev
  libsoundtouch1 libmfx1
  libgtest-dev libfmt-dev libcli11-dev nlohmann-json3-dev iso-codes
  qt6-base-dev qt6-qpa-plugins libgl-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  xvfb xauth fonts-wqy-microhei
  doxygen parallel
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
