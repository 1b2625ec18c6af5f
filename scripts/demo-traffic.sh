#!/usr/bin/env bash
# Writes the stand-in mail server's sample SMTP and POP3 logs (2 and 3 March 2026) into the
# demo server's log directory, for the tour's traffic section. Called by scripts/demo.sh.
#   demo-traffic.sh LOADER PREFIX BIN_DIR SERVER_ROOT
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
loader=$1 prefix=$2 bin=$3 root=$4
program=$bin/maillog_sample.exe
[ -f "$program" ] || { echo "demo: $program not built; the traffic section will show nothing" >&2; exit 0; }
mkdir -p "$root/Logs"
if "$top/scripts/wine-run.sh" "$loader" "$prefix" "$program" "Z:${root//\//\\}\\Logs" >/dev/null; then
  echo "demo: sample mail logs of 2 and 3 March 2026 written to $root/Logs"
else
  echo "demo: writing the sample mail logs failed; the traffic section will show nothing" >&2
fi
exit 0
