#!/usr/bin/env bash
# Installs (with apt-get) whatever is missing of the Debian packages Vistro needs to build,
# run and test. Idempotent: when everything is present it returns at once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  g++ clang lld llvm
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libtinyxml2-dev libdwarf-dev libelf-dev zlib1g-dev
  libsdl2-dev libunicorn-dev
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  gdb gdb-multiarch openocd
  xvfb xauth x11-apps x11-utils xdotool netpbm
  file dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
