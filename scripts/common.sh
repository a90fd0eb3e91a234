# Shared by the project's scripts: paths, targets and small helpers. Source it; do not run it.
#
# Two targets are built from the same sources, each into its own folder:
#   win32   build/win32   the product: 32-bit Windows (under the i386 emulator where the kernel runs
#                         no 32-bit code)
#   win64   build/win64   64-bit Windows; runs natively under wine64: the fast lane for tests and the
#                         target whose benchmark figures mean something
# OSTREL_ARCH=win32 or win64 limits a command to one target.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${BUILD_ROOT:-$ROOT/build}

say() { printf '%s: %s\n' "$(basename "$0")" "$*" >&2; }
die() { say "error: $*"; exit 1; }

# True when this machine's kernel runs 32-bit user code without an emulator.
# (Our emulator's handler is registered only where it does not; with it, 32-bit programs run emulated.)
kernel_runs_32bit() {
  grep -qsx enabled /proc/sys/fs/binfmt_misc/ostrel-i386 && return 1
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# The targets a command works on, 64-bit first: OSTREL_ARCH if set, otherwise both.
ostrel_arches() {
  case "${OSTREL_ARCH:-}" in
    "") echo win64 win32 ;;
    win32|win64) echo "$OSTREL_ARCH" ;;
    *) die "OSTREL_ARCH must be win32 or win64, not '$OSTREL_ARCH'" ;;
  esac
}

# The one target a program runs on when a command needs just one: OSTREL_ARCH if set; otherwise the
# native 64-bit one where the kernel runs no 32-bit code, and the 32-bit product elsewhere.
ostrel_preferred_arch() {
  if [ -n "${OSTREL_ARCH:-}" ]; then ostrel_arches; return; fi
  if kernel_runs_32bit; then echo win32; else echo win64; fi
}

# use_arch ARCH: points ARCH, BUILD_DIR and DIST_DIR at that target's build.
use_arch() {
  case "$1" in win32|win64) ;; *) die "unknown target '$1'" ;; esac
  ARCH=$1
  BUILD_DIR=$BUILD_ROOT/$ARCH
  DIST_DIR=$BUILD_DIR/dist
}
