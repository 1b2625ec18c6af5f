#!/usr/bin/env bash
# Registers the stand-in services under the mail server's service names in the demo's
# Wine prefix, so that the tour can list, start and stop them. Called by scripts/demo.sh.
#   BIN     the build's bin directory;  LOADER  the Wine loader;  PREFIX  the Wine prefix
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=$BIN/dravoservice_standin.exe
if [ ! -f "$program" ]; then
  echo "demo: not built yet: $program (the stand-in services, standins/dravoservice/)" >&2
  exit 1
fi
if ! "$top/scripts/wine-run.sh" "$LOADER" "$PREFIX" "$program" install DravoSMTP DravoPOP3 DravoControl; then
  echo "demo: registering the stand-in services in $PREFIX failed" >&2
  exit 1
fi
echo "demo: stand-in services DravoSMTP, DravoPOP3 and DravoControl registered"
