#!/usr/bin/env bash
# Remakes docs/demo.png: Vistro on the demo project, in Run mode against the simulated target,
# as scripts/run.sh starts it (with a fresh settings folder, so nothing of the user's leaks in).
#
#   scripts/demo-screenshot.sh [OUT.png] [SECONDS]
#
# Needs a build (scripts/build.sh) and the packages scripts/setup.sh installs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VISTRO_BUILD_DIR:-$root/build}
out=${1:-$root/docs/demo.png}
seconds=${2:-6}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export XDG_CONFIG_HOME=$home
mkdir -p "$(dirname "$out")"
"$build/bin/vistro-cli" download "$root/firmware/demo/demo.elf" --device VSIM32H743 >/dev/null
bash "$root/scripts/screenshot.sh" --size 1400x900 "$out" "$seconds" -- \
  "$build/bin/vistro" "-openprj$root/firmware/demo/demo.vistro"
