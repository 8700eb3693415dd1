#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test twice: once in the
# normal build and once under AddressSanitizer and UndefinedBehaviorSanitizer,
# so that memory faults fail the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
jobs=$(nproc 2>/dev/null || echo 2)

echo "== build (RelWithDebInfo)"
bash "$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
echo "== tests"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

echo "== build (sanitizers)"
bash "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTANK_SANITIZE=ON -DTANK_BUILD_BENCH=OFF >/dev/null
echo "== tests under sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"
