#!/usr/bin/env bash
# Builds the Windows binaries and starts the program under Wine with its default settings.
# With no display it runs on a private Xvfb, pops up the strip and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
bin="$PWD/build/windows/bin"

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$HOME/.ledglow-wine}"
private=""
if [ -z "${DISPLAY:-}" ]; then
  start_private_display
  private=1
  trap stop_wine_and_display EXIT
fi
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1

cd "$bin"
[ -f DorAdor.reg ] && wine regedit /s DorAdor.reg
wine ledglow.exe &
if [ -n "$private" ]; then
  sleep 6
  out="$PWD/../ledglow-screenshot.png"
  import -window root "$out"
  echo "Screenshot: $out"
  wine ledglow.exe /q
  wait
else
  echo "ledglow is running under Wine (tray icon in the Wine System Tray). End it with:"
  echo "  WINEPREFIX=$WINEPREFIX wine $bin/ledglow.exe /q"
  wait
fi
