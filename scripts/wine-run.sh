#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, creating the prefix on first use.
# A prefix for the 32-bit loader is made 32-bit (WINEARCH=win32).
# Usage: wine-run.sh LOADER PREFIX PROGRAM [ARGS...]
set -euo pipefail
loader=$1 prefix=$2
shift 2
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      arch=win64
      [ "$(basename "$loader")" = wine ] && arch=win32
      WINEARCH=$arch "$loader" wineboot -i </dev/null >/dev/null 2>&1
    fi
  ) 9>"$prefix.lock"
fi
exec "$loader" "$@"
