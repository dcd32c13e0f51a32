# Sourced by the scripts: makes sure the Debian packages they need are installed.
LEDGLOW_PACKAGES=(cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xdotool x11-utils imagemagick nsis zip)

ensure_packages() {
  local missing=()
  for p in "${LEDGLOW_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "Missing packages. Run as root:"
    echo "  apt-get update && apt-get install -y ${missing[*]}"
    exit 1
  fi
}

# Starts a private Xvfb when there is no display; sets DISPLAY and XVFB_PID.
start_private_display() {
  XVFB_PID=""
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null; XVFB_PID=""
  done
  echo "could not start Xvfb" >&2
  return 1
}

# A fresh Wine prefix in a temporary folder; sets WINEPREFIX.
start_fresh_wine() {
  export WINEPREFIX
  WINEPREFIX="$(mktemp -d /tmp/ledglow-wine.XXXXXX)"
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot -i >/dev/null 2>&1
  wineserver -w 2>/dev/null || true
}

stop_wine_and_display() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k 2>/dev/null || true
    case "$WINEPREFIX" in /tmp/ledglow-wine.*) rm -rf "$WINEPREFIX" ;; esac
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null || true  # gone before the caller ends, not just asked to go
  fi
  true
}
