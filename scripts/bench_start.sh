#!/usr/bin/env bash
# Start-up benchmark under Wine on a private Xvfb: ledglow against a bare tray program, start
# to last window, idle CPU and peak working set, medians over the rounds. A benchmark, not a
# test: it prints figures and fails only when a program does not start or end.
#
#   bash scripts/bench_start.sh [--rounds N] [--idle-ms MS] [BIN_DIR]
#
# BIN_DIR holds ledglow.exe, kbdlink.dll and wminput.dll (default: this tree's Windows build);
# the benchmark's own programs always come from this tree's Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages

rounds=20
idle_ms=3000
bin=""
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --idle-ms) idle_ms="$2"; shift 2 ;;
    *) bin="$1"; shift ;;
  esac
done

cmake --preset windows >/dev/null
targets=(bare_tray start_bench)
[ -z "$bin" ] && targets+=(ledglow kbdlink wminput)
log="$(mktemp)"
cmake --build --preset windows --target "${targets[@]}" >"$log" 2>&1 || { cat "$log"; rm -f "$log"; exit 1; }
rm -f "$log"
tools="$PWD/build/windows/bin"
bin="$(cd "${bin:-$tools}" && pwd)"

trap stop_wine_and_display EXIT
unset DISPLAY
start_private_display
start_fresh_wine

app_path=$(winepath -w "$bin")
wine reg add 'HKLM\SOFTWARE\VOVEzurevo\Default' /v Interval /t REG_DWORD /d 10000 /f >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\VOVEzurevo\Default' /v APPath /t REG_SZ /d "$app_path" /f >/dev/null 2>&1

sizes=$(stat -c '%n %s' "$bin/ledglow.exe" "$bin/kbdlink.dll" "$bin/wminput.dll" | sed 's#.*/##')
echo "ledglow from $bin:" $sizes "total $(echo "$sizes" | awk '{ t += $2 } END { print t }') bytes"
wine "$tools/start_bench.exe" "$rounds" "$idle_ms" \
  "$(winepath -w "$tools/bare_tray.exe")" TBareTray TBareTray \
  "$(winepath -w "$bin/ledglow.exe")" TRemindDlg TSetupFrm
