#!/usr/bin/env bash
# Installs what is missing, builds Spoolar and runs it with the given options; without options
# it starts the program: the tray icon on a desktop, the spooler alone (--headless) without one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup-deps.sh"
bash "$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release \
  -DSPOOLAR_TESTS=OFF >/dev/null
exec "$root/build-release/app/spoolar" "$@"
