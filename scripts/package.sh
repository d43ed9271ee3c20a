#!/usr/bin/env bash
# Builds the Debian package (vistro_VERSION_ARCH.deb) from build/ (or $VISTRO_BUILD_DIR), which
# scripts/build.sh made, and shows its control data. Install it with
#   apt-get install ./build/vistro_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VISTRO_BUILD_DIR:-$root/build}
cd "$build"
rm -f vistro_*.deb
cpack -G DEB >/dev/null
deb=$(ls vistro_*.deb)
dpkg-deb -I "$deb" | sed -n '/Package:/,$p'
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libunicorn2 libdwarf1; do
  case "$depends" in
    *"$lib"*) ;;
    *) echo "package: $deb does not depend on $lib" >&2; exit 1 ;;
  esac
done
echo "package: $build/$deb"
