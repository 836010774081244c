#!/usr/bin/env bash
# Installs what is missing, builds Spoolar and runs it with the given options; without options
# it runs the spooler (spoolar --headless).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup-deps.sh"
bash "$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release \
  -DSPOOLAR_TESTS=OFF >/dev/null
if [ $# -eq 0 ]; then
  set -- --headless
fi
exec "$root/build-release/app/spoolar" "$@"
