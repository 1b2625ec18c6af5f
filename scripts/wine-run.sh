#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, creating the prefix on first use.
# Usage: wine-run.sh LOADER PREFIX PROGRAM [ARGS...]
set -euo pipefail
loader=$1 prefix=$2
shift 2
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    [ -f "$prefix/system.reg" ] || "$loader" wineboot -i >/dev/null 2>&1
  ) 9>"$prefix.lock"
fi
exec "$loader" "$@"
