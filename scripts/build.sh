#!/usr/bin/env bash
# Configures and builds Vistro into build/ (or $VISTRO_BUILD_DIR) with warnings as errors.
# Extra arguments go to cmake's configure step, e.g. -DVISTRO_SANITIZE=address.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VISTRO_BUILD_DIR:-$root/build}
jobs=${VISTRO_JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -G Ninja -DVISTRO_WERROR=ON "$@" >/dev/null
cmake --build "$build" -j "$jobs"
