# The Wine environment shared by people and tests. Source it, then call wine_env_up.
#   - one project-local prefix per target, created once: build/win32/wineprefix (32-bit, run by
#     `wine`) and build/win64/wineprefix (64-bit, run by `wine64`);
#   - one persistent wineserver per prefix, so that each program starts in well under a second;
#   - one Xvfb display for both, when none is set (one per checkout, see XVFB_DISPLAY);
#   - the ALSA default device routed to a null sink, so that audio renders without a sound card;
#   - drive D: of each prefix is a CD-ROM drive over build/<target>/cdrom.
# The target is OSTREL_ARCH (win32 or win64), or the one ostrel_preferred_arch picks; BUILD_DIR, when
# set, is that target's build folder.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

OSTREL_ARCH=${OSTREL_ARCH:-$(ostrel_preferred_arch)}
_wine_build_dir=${BUILD_DIR:-}
use_arch "$OSTREL_ARCH"
if [ -n "$_wine_build_dir" ]; then BUILD_DIR=$_wine_build_dir; DIST_DIR=$BUILD_DIR/dist; fi
export OSTREL_ARCH BUILD_DIR

export WINEPREFIX=$BUILD_DIR/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko install prompts, no desktop menu entries.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
export ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:$BUILD_DIR/asound-null.conf
export WINEPATH="$(printf '%s' "$DIST_DIR" | sed 's|^|Z:|; s|/|\\|g')"
CDROM_DIR=$BUILD_DIR/cdrom

if [ "$OSTREL_ARCH" = win64 ]; then
  export WINEARCH=win64
  WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
  # Programs that a 64-bit program starts run through the same loader.
  export WINELOADER=$WINE
  REG_VIEW=/reg:64
else
  export WINEARCH=win32
  WINE=$(command -v wine)
  unset WINELOADER
  REG_VIEW=/reg:32
fi

# One display per checkout: GUI tests press keys, move the pointer and take the focus, and the tests
# of another checkout on the same display would take them away (an X focus change deactivates a
# Wine window and cancels its mouse capture).
XVFB_DISPLAY=${XVFB_DISPLAY:-:$((100 + $(printf '%s' "$ROOT" | cksum | cut -d' ' -f1) % 400))}

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

_wine_reg() { $WINE reg "$@" "$REG_VIEW" </dev/null >/dev/null 2>&1; }

# Settings of the test prefix; bump the version when they change so that old prefixes get them.
WINE_PREFIX_VERSION=7

_wine_prefix_up() {
  local marker=$WINEPREFIX/.ostrel-ready
  [ "$(cat "$marker" 2>/dev/null)" = "$WINE_PREFIX_VERSION" ] && return 0
  mkdir -p "$WINEPREFIX" "$CDROM_DIR"
  _wine_server_up
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
    echo "wine-env: creating the $OSTREL_ARCH Wine prefix in $WINEPREFIX (once)" >&2
    $WINE wineboot -i </dev/null >/dev/null 2>&1
  fi
  # Xvfb has no window manager; unmanaged windows spare a 2 s wait on every window change.
  _wine_reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  # A program that crashes ends with an error code; no debugger is started to wait on it.
  _wine_reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f || true
  _wine_reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  # The faces the forms name, drawn by Liberation Sans: Arial's metric twin, a sans face for MS Sans
  # Serif, and one that has Hebrew (Wine has neither face; Arial would otherwise fall back to a serif
  # one). Wine's own MS Sans Serif and Tahoma (fonts-wine) have no Hebrew, so they stay out of the
  # prefix; its Marlett, the caption buttons' glyphs, comes in (without it a caption's buttons read
  # "0 1 r"). This Wine does not look for its own fonts in its data folder, but does in the prefix's
  # Fonts folder.
  local face font
  for face in Arial 'MS Sans Serif'; do
    _wine_reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'Liberation Sans' /f
  done
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  for font in marlett.ttf symbol.ttf webdings.ttf wingding.ttf; do
    if [ -f "/usr/share/wine/fonts/$font" ]; then cp -u "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
  done
  # D: is a CD-ROM drive over build/<target>/cdrom, for tests of a program started from a disc.
  ln -sfn "$CDROM_DIR" "$WINEPREFIX/dosdevices/d:"
  _wine_reg add 'HKLM\Software\Wine\Drives' /v 'd:' /d cdrom /f
  # The virtual scanner is the prefix's TWAIN source: Wine's source manager loads exactly sane.ds (and
  # gphoto2.ds) from twain_32\ in a 32-bit process and twain_64\ in a 64-bit one, and prefers a builtin
  # of that name unless told otherwise. A link, so that a rebuilt source is the one loaded.
  local twain_dir=twain_32
  [ "$OSTREL_ARCH" = win64 ] && twain_dir=twain_64
  mkdir -p "$WINEPREFIX/drive_c/windows/$twain_dir"
  ln -sfn "$DIST_DIR/OstrelScan.ds" "$WINEPREFIX/drive_c/windows/$twain_dir/sane.ds"
  _wine_reg add 'HKCU\Software\Wine\DllOverrides' /v sane.ds /d native /f
  # Drive types are read when the prefix's services start: end this session of the prefix so that the
  # next program starts it afresh with every setting above.
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
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

# The process id of the prefix's wineserver: it works in a folder named after the prefix's device and
# inode.
_wine_server_pid() {
  local id p cwd
  [ -d "$WINEPREFIX" ] || return 0
  id=server-$(printf '%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
  for p in /proc/[0-9]*; do
    cwd=$(readlink "$p/cwd" 2>/dev/null) || continue
    [[ $cwd == */"$id" ]] && { echo "${p#/proc/}"; return 0; }
  done
  return 0
}

# Ends the prefix's wineserver and waits until it is really gone, so that the next start makes a new
# persistent one instead of finding the old one on its way out.
wine_server_restart() {
  local i
  wineserver -k </dev/null >/dev/null 2>&1 || true
  for i in $(seq 100); do
    [ -z "$(_wine_server_pid)" ] && break
    sleep 0.1
  done
  _wine_server_up
}

wine_env_down() {
  wineserver -k 2>/dev/null || true
}
