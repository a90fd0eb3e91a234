#!/usr/bin/env bash
# scripts/wine-run with OSTREL_DESKTOP: the program's output and exit code reach the caller as
# without a desktop, and the prefix's persistent wineserver is the same process before and after.
# Runs with OSTREL_ARCH and BUILD_DIR set (CTest sets them).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$BUILD_DIR/wineprefix
cmd=$prefix/drive_c/windows/system32/cmd.exe
fail() { echo "wine_run_desktop: $*" >&2; exit 1; }

# The wineserver of the prefix works in a folder named after the prefix's device and inode.
server_pid() {
  local id p cwd
  id=server-$(printf '%x-%x' $(stat -c '%d %i' "$prefix"))
  for p in /proc/[0-9]*; do
    cwd=$(readlink "$p/cwd" 2>/dev/null) || continue
    [[ $cwd == */"$id" ]] && { echo "${p#/proc/}"; return; }
  done
}

# A first run without a desktop sets the prefix up and starts its server.
"$root/scripts/wine-run" "$cmd" /c exit 0 || fail "cmd.exe does not run in $prefix"
before=$(server_pid)
[ -n "$before" ] || fail "no wineserver for $prefix"

for size in 640x480 1024x768; do
  out=$(OSTREL_DESKTOP=$size "$root/scripts/wine-run" "$cmd" /c echo "output-on-$size" "&" exit 7 2>&1)
  rc=$?
  echo "$size: exit code $rc, output: $out"
  [ "$rc" -eq 7 ] || fail "exit code $rc on the $size desktop, not 7"
  [[ $out == *"output-on-$size"* ]] || fail "the output of the program on the $size desktop was lost"
done

# A malformed size is refused before anything runs.
if OSTREL_DESKTOP=800by600 "$root/scripts/wine-run" "$cmd" /c exit 0 2>/dev/null; then
  fail "a malformed OSTREL_DESKTOP was accepted"
fi

after=$(server_pid)
[ "$before" = "$after" ] || fail "the wineserver changed: $before before, ${after:-none} after"
echo "wineserver $before kept"
