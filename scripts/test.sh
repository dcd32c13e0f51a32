#!/usr/bin/env bash
# Builds the host and Windows presets and runs every test: native unit tests (ASan/UBSan,
# then TSan) and the end-to-end tests of the Windows binaries under Wine on a private Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages

jobs=$(nproc)
for preset in host host-tsan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

echo "== windows"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
echo "== windows-i686 (build only)"
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 -j "$jobs"

trap stop_wine_and_display EXIT
unset DISPLAY
start_private_display
start_fresh_wine
export LEDGLOW_SCREENSHOT_DIR="$PWD/build/windows/screenshots"
mkdir -p "$LEDGLOW_SCREENSHOT_DIR"
ctest --preset windows
echo "== the strip and the reminder at 96, 144 and 192 DPI (fresh prefixes)"
bash scripts/scales_e2e.sh
