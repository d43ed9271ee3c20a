#!/usr/bin/env bash
# Remakes docs/board-edit.png: the module board with all fourteen module types in Edit mode
# (vistro-board-preview on a private Xvfb display).
#
#   scripts/board-screenshot.sh [BUILD_DIR] [OUT.png] [-- PREVIEW_ARGS...]
#
# BUILD_DIR defaults to build, OUT.png to docs/board-edit.png. PREVIEW_ARGS go to
# vistro-board-preview (for example --run, --zoom-in 1).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$here/docs/board-edit.png}
shift $(( $# >= 2 ? 2 : $# ))
[ "${1:-}" = "--" ] && shift
cmake --build "$build" --target vistro-board-preview -j2
mkdir -p "$(dirname "$out")"
"$here/scripts/screenshot.sh" --size 1500x920 "$out" 2 -- \
  "$build/bin/vistro-board-preview" --width 1440 --height 860 "$@"
echo "wrote $out"
