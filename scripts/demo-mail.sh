#!/usr/bin/env bash
# Outgoing mail for the demo: registers the stand-in message component "CDO.Message" and
# starts the stand-in SMTP service in the background, delivering into the server's mail
# directory and logging into its log directory. Writes the port it listens on to
# DEMO_DIR/smtp-port. The service ends with the prefix's Wine server.
#   demo-mail.sh LOADER PREFIX BIN_DIR DEMO_DIR SERVER_ROOT
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
loader=$1 prefix=$2 bin=$3 demo=$4 root=$5
wine() { "$top/scripts/wine-run.sh" "$loader" "$prefix" "$@"; }
windows_path() { local path=$1; echo "Z:${path//\//\\}"; }
rm -f "$demo/smtp-port"
for file in cdomessage_standin.dll smtp_receiver.exe; do
  [ -f "$bin/$file" ] || { echo "demo: $bin/$file not built; the mail section will fail" >&2; exit 0; }
done
if ! wine regsvr32 /s "$(windows_path "$bin/cdomessage_standin.dll")"; then
  echo "demo: registering the stand-in \"CDO.Message\" failed; the mail section will fail" >&2
  exit 0
fi
mkdir -p "$root/Mail" "$root/Logs"
output=$demo/smtp-receiver.out
wine "$bin/smtp_receiver.exe" --maildir "$(windows_path "$root/Mail")" --logdir "$(windows_path "$root/Logs")" \
  --port 0 >"$output" 2>&1 &
for _ in $(seq 100); do
  port=$(sed -n 's/^listening on port \([0-9]*\).*/\1/p' "$output" 2>/dev/null)
  if [ -n "$port" ]; then
    echo "$port" >"$demo/smtp-port"
    echo "demo: stand-in \"CDO.Message\" registered; stand-in SMTP service on port $port delivers into $root/Mail"
    exit 0
  fi
  sleep 0.2
done
echo "demo: the stand-in SMTP service did not start: $(cat "$output")" >&2
exit 0
