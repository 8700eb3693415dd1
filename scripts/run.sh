#!/usr/bin/env bash
# The main job: installs what is needed, builds, and runs the design engine on
# the built-in example tank.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
"$root/build/app/tankdesign" "$@"
