#!/usr/bin/env bash
# Starts the stand-in control-panel service in the demo's Wine prefix, in the background,
# and waits until its pipe exists. It ends with the prefix's Wine server.
#   demo-panel.sh LOADER PREFIX BIN_DIR
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
loader=$1 prefix=$2 bin=$3
program=$bin/panel_service_standin.exe
[ -f "$program" ] || { echo "demo: $program not built; the package commands will fail" >&2; exit 0; }
ready=$(mktemp -u /tmp/panel-service-ready.XXXXXX)
settings="Z:${top//\//\\}\\standins\\panelservice\\demo-settings.txt"
"$top/scripts/wine-run.sh" "$loader" "$prefix" "$program" "$settings" --ready "Z:${ready//\//\\}" \
  >/dev/null 2>&1 &
for _ in $(seq 100); do
  [ -f "$ready" ] && { rm -f "$ready"; echo "demo: stand-in control-panel service listens on \\\\.\\pipe\\kvxpipe"; exit 0; }
  sleep 0.2
done
echo "demo: the stand-in control-panel service did not start" >&2
exit 0
