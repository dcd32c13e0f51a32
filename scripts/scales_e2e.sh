#!/usr/bin/env bash
# Runs the strip's and the reminder's end-to-end scale tests under Wine at 96, 144 and 192 DPI, each in a fresh
# prefix whose display scale (HKCU\Control Panel\Desktop LogPixels) is set before the
# wineserver starts again. Needs the windows preset built; uses the caller's DISPLAY or a
# private Xvfb. The crops of both land in $LEDGLOW_SCREENSHOT_DIR (build/windows/screenshots).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

own_display=0
if [ -z "${DISPLAY:-}" ]; then
  start_private_display
  own_display=1
fi
finish() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k 2>/dev/null || true
    case "$WINEPREFIX" in /tmp/ledglow-wine.*) rm -rf "$WINEPREFIX" ;; esac
  fi
  if [ "$own_display" = 1 ]; then stop_wine_and_display; fi
}
trap finish EXIT

export LEDGLOW_SCREENSHOT_DIR="${LEDGLOW_SCREENSHOT_DIR:-$PWD/build/windows/screenshots}"
mkdir -p "$LEDGLOW_SCREENSHOT_DIR"
status=0
for dpi in 96 144 192; do
  echo "== strip and reminder at $dpi DPI"
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k 2>/dev/null || true
    case "$WINEPREFIX" in /tmp/ledglow-wine.*) rm -rf "$WINEPREFIX" ;; esac
  fi
  start_fresh_wine
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true  # the scale is read when the wineserver starts
  wineserver -w 2>/dev/null || true
  LEDGLOW_EXPECT_DPI="$dpi" timeout 300 wine build/windows/bin/ledglow_e2e_tests.exe --gtest_color=no \
    --gtest_filter='Tray.StripTakesTheDisplaysScaleAtTheScaledCorner:Reminder.TakesTheDisplaysScaleWithItsDesignedTextsWhole' \
    || status=1
done
exit "$status"
