#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vistro on the demo project against the
# simulated target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${VISTRO_BUILD_DIR:-$root/build}
demo="$root/firmware/demo/demo.vistro"
if [ -f "$demo" ]; then
  # Program the simulated board with the demo firmware first, as one flashes a real board
  # before attaching to it (a fresh board's flash is empty and its core halted).
  "$build/bin/vistro-cli" download "$root/firmware/demo/demo.elf" --device VSIM32H743 >/dev/null
  exec "$build/bin/vistro" "-openprj$demo" "$@"
fi
exec "$build/bin/vistro" "$@"
