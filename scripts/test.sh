#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice: in a normal build
# and under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup-deps.sh"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
for variant in normal sanitize; do
  dir="$root/build-test-$variant"
  opts=(-DSPOOLAR_BENCH=ON)
  [ "$variant" = sanitize ] && opts=(-DSPOOLAR_SANITIZE=ON -DSPOOLAR_BENCH=OFF)
  echo "== $variant build"
  bash "$root/scripts/build.sh" "$dir" "${opts[@]}"
  echo "== $variant tests"
  if ! (cd "$dir" && ctest --output-on-failure -j "$(nproc)" --timeout 600); then
    status=1
  fi
done
exit $status
