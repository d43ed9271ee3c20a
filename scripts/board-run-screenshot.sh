#!/usr/bin/env bash
# Remakes docs/board-run.png: the demo project's board live in Run mode on the simulated
# target (vistro-board-run on a private Xvfb display), after a click on "1500 rpm".
#
#   scripts/board-run-screenshot.sh [BUILD_DIR] [OUT.png]
#
# BUILD_DIR defaults to build, OUT.png to docs/board-run.png. The project and its firmware
# are copied to a scratch folder, and the simulator keeps its flash image there too.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$here/docs/board-run.png}
cmake --build "$build" --target vistro-board-run Veltra_x64 -j2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/firmware/demo/demo.vistro" "$here/firmware/demo/demo.elf" "$work/"
mkdir -p "$(dirname "$out")"
XDG_CONFIG_HOME="$work/home" "$here/scripts/screenshot.sh" --size 1500x700 "$out" 4 -- \
  "$build/bin/vistro-board-run" "$work/demo.vistro" --press "1500 rpm"
echo "wrote $out"
