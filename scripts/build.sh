#!/usr/bin/env bash
# Configures and builds one build tree through ccache.
#   scripts/build.sh [BUILD_DIR] [extra cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
shift || true
jobs=$(nproc 2>/dev/null || echo 2)
export CCACHE_DIR=${CCACHE_DIR:-"$HOME/.cache/ccache"}
cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j "$jobs"
