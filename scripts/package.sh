#!/usr/bin/env bash
# Builds the Debian package of the workstation and prints its path:
#   bash scripts/package.sh [BUILD_DIR]        (default build-pkg, a Release build without tests)
# Install it with  apt install ./build-pkg/vetrostan_*.deb
# An existing build folder (e.g. build/ of scripts/build.sh) is packaged as it is configured.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
dir="${1:-build-pkg}"
if [ -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" >/dev/null
else
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVETROSTAN_TESTS=OFF \
    -DVETROSTAN_BENCH=OFF >/dev/null
fi
cmake --build "$dir" -j"$(nproc)" --target Vetrostan vetrostan-sim >&2
rm -f "$dir"/vetrostan_*.deb
(cd "$dir" && cpack -G DEB >&2)
deb=("$dir"/vetrostan_*.deb)
[ -f "${deb[0]}" ] || { echo "package: cpack made no package in $dir" >&2; exit 1; }
echo "${deb[0]}"
