#!/usr/bin/env bash
# Builds everything and runs every test: unit, window (offscreen) and end-to-end tests through
# ctest, the Debian package's check, then each libFuzzer target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 300)
# The Debian package of that build: its unit, files and dependencies, and an install, removal
# and purge in a scratch root (about half a minute).
bash scripts/package_check.sh build

# Fuzz targets: a separate clang build of the engine only.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVETROSTAN_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"
FUZZ_SECONDS="${FUZZ_SECONDS:-30}"
fuzz_failed=0
fuzz_passed=0
for f in build-fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  corpus="build-fuzz/corpus-$(basename "$f")"
  mkdir -p "$corpus"
  # Readers of whole records get inputs as long as the record (and a little over), not
  # libFuzzer's 4 KB default, so every field of the record is reached.
  case "$(basename "$f")" in
    fuzz_config) max_len=160000 ;;  # the plant configuration: 158 896 bytes
    fuzz_dan) max_len=67000 ;;      # the shared data file: 66 536 bytes
    fuzz_mimic) max_len=2700000 ;;  # a mimic document: 2 656 660 bytes
    *) max_len=4096 ;;
  esac
  if "$f" -max_total_time="$FUZZ_SECONDS" -max_len="$max_len" -print_final_stats=0 "$corpus" \
      >"$f.log" 2>&1; then
    fuzz_passed=$((fuzz_passed + 1))
  else
    fuzz_failed=$((fuzz_failed + 1))
    echo "fuzz target $(basename "$f") failed:"; tail -n 40 "$f.log"
  fi
done
echo "fuzz: $fuzz_passed passed, $fuzz_failed failed"
[ "$fuzz_failed" -eq 0 ]
