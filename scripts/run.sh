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
# Default settings beside the program: it imports them itself when its key is missing.
app_path=$(winepath -w "$bin" 2>/dev/null | sed 's/\\/\\\\/g')
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VOVEzurevo\\Default]\r\n"Interval"=dword:00002710\r\n"APPath"="%s"\r\n' \
  "$app_path" > DorAdor.reg
wine ledglow.exe &
app=$!  # wait for this one only: a bare `wait` would also wait for the private Xvfb
if [ -n "$private" ]; then
  sleep 6
  # Press the tray icon so the screenshot shows the strip too.
  tray=$(xdotool search --name "Wine System Tray" | head -n 1 || true)
  [ -n "$tray" ] && xdotool mousemove --window "$tray" 10 10 click 1 && sleep 1
  out="$(dirname "$bin")/ledglow-screenshot.png"
  import -window root "$out"
  echo "Screenshot: $out"
  wine ledglow.exe /q
  wait "$app"
else
  echo "ledglow is running under Wine (tray icon in the Wine System Tray). End it with:"
  echo "  WINEPREFIX=$WINEPREFIX wine $bin/ledglow.exe /q"
  wait "$app"
fi
