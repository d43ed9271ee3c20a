#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
# VISTRO_BUILD_DIR picks the build folder; extra arguments go to cmake's configure step
# (for example: VISTRO_BUILD_DIR=build-tsan scripts/test.sh -DVISTRO_SANITIZE=thread).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$@"
build=${VISTRO_BUILD_DIR:-$root/build}
export QT_QPA_PLATFORM=offscreen
# Read only by sanitized builds.
export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp ${TSAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp ${LSAN_OPTIONS:-}"
cd "$build"
ctest --output-on-failure -j "${VISTRO_JOBS:-$(nproc)}" --timeout 600
