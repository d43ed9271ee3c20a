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
  exec "$build/bin/vistro" "-openprj$demo" "$@"
fi
exec "$build/bin/vistro" "$@"
