#!/usr/bin/env bash
# Lays out the control panel's tree (its tool and templates) in the demo's folder and starts
# the stand-in control-panel service for it in the background, answering "PRODUCT_ROOT_D"
# with that tree; waits until its pipe exists. The service ends with the prefix's Wine server.
#   demo-panel.sh LOADER PREFIX BIN_DIR DEMO_DIR
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
loader=$1 prefix=$2 bin=$3 demo=$4
program=$bin/panel_service_standin.exe
[ -f "$program" ] || { echo "demo: $program not built; the package commands will fail" >&2; exit 0; }
panel=$demo/panel
rm -rf "$panel"
cp -r "$bin/../panel-root" "$panel" || { echo "demo: no panel tree in $bin/../panel-root" >&2; exit 0; }
settings=$demo/panel-settings.txt
{
  printf 'PRODUCT_ROOT_D=Z:%s\\\n' "${panel//\//\\}"
  grep '^component ' "$top/standins/panelservice/demo-settings.txt"
} >"$settings"
ready=$(mktemp -u /tmp/panel-service-ready.XXXXXX)
"$top/scripts/wine-run.sh" "$loader" "$prefix" "$program" "Z:${settings//\//\\}" --ready "Z:${ready//\//\\}" \
  >/dev/null 2>&1 &
for _ in $(seq 100); do
  if [ -f "$ready" ]; then
    rm -f "$ready"
    echo "demo: stand-in control-panel service listens on \\\\.\\pipe\\kvxpipe; the panel's tree is $panel"
    exit 0
  fi
  sleep 0.2
done
echo "demo: the stand-in control-panel service did not start" >&2
exit 0
