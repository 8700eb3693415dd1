#!/usr/bin/env bash
# The main job: installs what is needed, builds, and runs the design engine on
# the built-in example tank (a buried two-cell covered tank): builds and
# analyses it, designs its reinforcement, writes its calculation book and
# draws its reinforcement drawings, putting its design, model drawings,
# moments, rebar.csv, the 3D bars, calcbook.docx, the drawings
# (top-slab-plan.*, bottom-slab-plan.*, wall-plan.*, section-N.*, hole-JD1.*,
# hole-YD1.*, rebar-schedule.*, materials.*), rebar-schedule.csv,
# materials.csv and the sheet drawings.dxf|.svg|.png into
# out/buried-two-cell/.  Arguments, when given, are
# passed to tankdesign instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "$#" -gt 0 ]; then
  exec "$root/build/app/tankdesign" "$@"
fi
out="$root/out/buried-two-cell"
"$root/build/app/tankdesign" new --example buried-two-cell -o "$out"
"$root/build/app/tankdesign" analyse "$out/tank.tkd" -o "$out"
"$root/build/app/tankdesign" design "$out/tank.tkd" -o "$out"
"$root/build/app/tankdesign" export "$out/tank.tkd" --rebar3d "$out/rebar3d.dxf" --png "$out/rebar3d.png"
"$root/build/app/tankdesign" book "$out/tank.tkd" -o "$out"
"$root/build/app/tankdesign" draw "$out/tank.tkd" -o "$out"
