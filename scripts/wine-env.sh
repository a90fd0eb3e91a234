# The Wine environment shared by people and tests. Source it, then call wine_env_up.
#   - a project-local 32-bit prefix under build/, created once;
#   - one persistent wineserver, so that each program starts in well under a second;
#   - an Xvfb display when none is set;
#   - the ALSA default device routed to a null sink, so that audio renders without a sound card.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko install prompts, no desktop menu entries.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
export ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:$BUILD_DIR/asound-null.conf
export WINEPATH="$(printf '%s' "$DIST_DIR" | sed 's|^|Z:|; s|/|\\|g')"

WINE=${WINE:-wine}
XVFB_DISPLAY=${XVFB_DISPLAY:-:87}

_wine_xvfb_up() {
  [ -n "${DISPLAY:-}" ] && return 0
  export DISPLAY=$XVFB_DISPLAY
  local n=${XVFB_DISPLAY#:}
  if [ -S /tmp/.X11-unix/X$n ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  rm -f /tmp/.X$n-lock /tmp/.X11-unix/X$n
  setsid Xvfb "$XVFB_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "wine-env: Xvfb did not start on $XVFB_DISPLAY" >&2
  return 1
}

_wine_server_up() {
  # Started detached with its output closed: a wineserver that inherits a caller's pipe keeps
  # that pipe open, and whoever waits for EOF on it (CTest) would wait for ever.
  # A second server for the same prefix notices the first and leaves at once.
  setsid wineserver -p </dev/null >/dev/null 2>&1 || true
}

# Settings of the test prefix; bump the version when they change so that old prefixes get them.
WINE_PREFIX_VERSION=2

_wine_prefix_up() {
  local marker=$WINEPREFIX/.ostrel-ready
  [ "$(cat "$marker" 2>/dev/null)" = "$WINE_PREFIX_VERSION" ] && return 0
  mkdir -p "$WINEPREFIX"
  setsid wineserver -p </dev/null >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
    echo "wine-env: creating the Wine prefix in $WINEPREFIX (once)" >&2
    $WINE wineboot -i </dev/null >/dev/null 2>&1
  fi
  # Xvfb has no window manager; unmanaged windows spare a 2 s wait on every window change.
  $WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  # A program that crashes ends with an error code; no debugger is started to wait on it.
  $WINE reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f </dev/null >/dev/null 2>&1 || true
  $WINE reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  echo "$WINE_PREFIX_VERSION" >"$marker"
}

wine_env_up() {
  mkdir -p "$BUILD_DIR"
  [ -f "$BUILD_DIR/asound-null.conf" ] || printf 'pcm.!default { type null }\n' >"$BUILD_DIR/asound-null.conf"
  # Tests start in parallel: one of them sets up, the others wait for it. What the set-up starts
  # (Xvfb, the wineserver, Wine's services) must not inherit the lock, or it would hold it for ever.
  (
    flock 9
    { _wine_xvfb_up; _wine_prefix_up; } 9>&-
  ) 9>"$BUILD_DIR/.wine-env.lock"
  _wine_xvfb_up
  _wine_server_up
}

wine_env_down() {
  wineserver -k 2>/dev/null || true
}
