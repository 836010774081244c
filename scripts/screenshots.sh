#!/usr/bin/env bash
# Screenshots of every window on a virtual display with a tray host (trayer), so the tray icon
# shows too: bash scripts/screenshots.sh [OUTPUT_DIR]   (default: screenshots/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/screenshots}"
bash "$root/scripts/setup-deps.sh"
bash "$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release \
  -DSPOOLAR_TESTS=OFF >/dev/null
cmake --build "$root/build-release" -j"$(nproc)" --target spoolar_screenshots >/dev/null
xvfb-run -a -s "-screen 0 1600x900x24" bash -c '
  trayer --edge bottom --align right --widthtype request --height 24 &
  tray=$!
  sleep 1
  "$0" "$1"
  kill $tray' "$root/build-release/scripts/screenshots/spoolar_screenshots" "$out"
