# Shared by the project's scripts: paths and small helpers. Source it; do not run it.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
DIST_DIR=$BUILD_DIR/dist

say() { printf '%s: %s\n' "$(basename "$0")" "$*" >&2; }
die() { say "error: $*"; exit 1; }
