#!/usr/bin/env bash
# Shows what a user sees: starts the application's windows on a virtual X
# screen with a Chinese font, adds generated files (the options dialog
# opens), converts them, and saves a picture of the screen at each step:
# the empty window, the options dialog, the list with its status line,
# progress bars mid-run, the close question, the stop feedback and a
# finished batch with every outcome (converted, incomplete, stopped, failed)
# — once in English (en/), once in Chinese (zh/), and the options dialog at
# scale factor 2 (scale2/).
#
#   ./scripts/screenshots.sh [OUTPUT_FOLDER]     (default: build/screenshots/out)
#
# Installs what is missing (scripts/setup.sh), builds the tour program in its
# own build folder, runs it under Xvfb and prints the main window's caption
# as the X server reports it. TOUR_BUILD=build/ci takes an already
# configured build folder instead (no second tree to build on a busy machine;
# a sanitizer build runs with the options of scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-build/screenshots/out}"
build="${TOUR_BUILD:-build/screenshots}"

./scripts/setup.sh
if [ -z "${TOUR_BUILD:-}" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENTROVA_BUILD_GUI=ON \
    -DZENTROVA_BUILD_TESTS=ON >/dev/null
fi
cmake --build "$build" --target zentrova-screenshot-tour zentrova_app -j "${JOBS:-2}"

rm -rf "$out"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
tour="$(pwd)/$build/tests/app/ui/zentrova-screenshot-tour"

# Three tours: the English window, the Chinese window, and the options
# dialog at scale factor 2 (a high-density screen), each into its own folder.
# The tour prints its own caption; xprop reads the caption from the X server
# while the window is up (there is no window manager to draw a title bar).
cat >"$out/run.sh" <<SCRIPT
#!/usr/bin/env bash
set -u
status=0
tour() {  # FOLDER ENVIRONMENT... -- TOUR ARGUMENTS...
  local folder=\$1; shift
  local environment=()
  while [ "\$1" != "--" ]; do environment+=("\$1"); shift; done
  shift
  mkdir -p "$out/\$folder"
  echo "== \$folder: \${environment[*]}"
  env "\${environment[@]}" "$tour" "$out/\$folder" "\$@" &
  local tour_pid=\$!
  local id=
  for _ in \$(seq 1 50); do
    id=\$(xwininfo -root -tree 2>/dev/null | awk '/"Zentrova v3.50/ {print \$1; exit}')
    [ -n "\$id" ] && break
    sleep 0.2
  done
  [ -n "\$id" ] && xprop -id "\$id" _NET_WM_NAME WM_NAME | sed 's/^/x11: /'
  wait \$tour_pid || status=\$?
}
tour en LANGUAGE=en_US:en LC_ALL=C.UTF-8 --
tour zh LANGUAGE=zh_CN:zh LC_ALL=C.UTF-8 --
tour scale2 LANGUAGE=en_US:en LC_ALL=C.UTF-8 QT_SCALE_FACTOR=2 -- --dialog-only
exit \$status
SCRIPT
chmod +x "$out/run.sh"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" "$out/run.sh" || status=$?
rm -f "$out/run.sh"
echo "Screenshots in $out:"
ls -1 "$out"/*/*.png
exit "$status"
