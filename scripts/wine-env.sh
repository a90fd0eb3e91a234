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

_wine_prefix_up() {
  [ -f "$WINEPREFIX/.ostrel-ready" ] && return 0
  echo "wine-env: creating the Wine prefix in $WINEPREFIX (once)" >&2
  mkdir -p "$WINEPREFIX"
  setsid wineserver -p </dev/null >/dev/null 2>&1 || true
  $WINE wineboot -i </dev/null >/dev/null 2>&1
  # Xvfb has no window manager; unmanaged windows spare a 2 s wait on every window change.
  $WINE reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1

  touch "$WINEPREFIX/.ostrel-ready"
}

wine_env_up() {
  mkdir -p "$BUILD_DIR"
  [ -f "$BUILD_DIR/asound-null.conf" ] || printf 'pcm.!default { type null }\n' >"$BUILD_DIR/asound-null.conf"
  _wine_xvfb_up
  _wine_prefix_up
  _wine_server_up
}

wine_env_down() {
  wineserver -k 2>/dev/null || true
}
