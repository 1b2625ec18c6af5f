#!/usr/bin/env bash
# The main job: the mail manager's guided tour under Wine, against the stand-in mail
# server, in a Wine prefix and a server root of its own that every run starts afresh.
# Called by `make demo` after the build. The prefix's Wine server is kept running after the
# tour, with the stand-in services, so that scripts/mailmgr answers at once against the same
# server; `scripts/wine-server.sh down build/demo/wineprefix` ends it.
#   BUILD_DIR  the x86_64 build to run (default: build/x86_64)
#   DEMO_DIR   where the Wine prefix and the server root go (default: build/demo)
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build/x86_64}
demo=${DEMO_DIR:-$top/build/demo}
bin=$build/bin
loader=/usr/lib/wine/wine64
prefix=$demo/wineprefix
root=$demo/server

missing=()
for file in mailmgr.exe dravoprovider.dll dravocom_standin.dll; do
  [ -f "$bin/$file" ] || missing+=("$file")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "demo: not built yet in $bin: ${missing[*]}" >&2
  echo "demo: mailmgr.exe is the mail manager (mailmgr/), dravoprovider.dll the module (src/)," >&2
  echo "demo: dravocom_standin.dll the stand-in mail server (standins/dravocom/); run 'make build'" >&2
  exit 1
fi
if [ ! -x "$loader" ]; then
  echo "demo: no 64-bit Wine at $loader; run scripts/setup.sh" >&2
  exit 1
fi

windows_path() { local path=$1; echo "Z:${path//\//\\}"; }
wine() { "$top/scripts/wine-run.sh" "$loader" "$prefix" "$@"; }
# A fresh Wine server, kept for the tour and the commands after it.
"$top/scripts/wine-server.sh" up "$loader" "$prefix" || exit 1

# An empty mail server each run: its whole state lives below the server root.
rm -rf "$root"
mkdir -p "$root"
if ! wine reg add 'HKLM\SOFTWARE\Brandix\Dravo Mail Server' /v ServerRoot /t REG_SZ \
    /d "$(windows_path "$root")" /f >/dev/null; then
  echo "demo: cannot set the stand-in's server root in $prefix" >&2
  exit 1
fi
if ! wine regsvr32 /s "$(windows_path "$bin/dravocom_standin.dll")"; then
  echo "demo: registering the stand-in mail server in $prefix failed" >&2
  exit 1
fi
"$top/scripts/demo-panel.sh" "$loader" "$prefix" "$bin" "$demo"
echo "demo: stand-in mail server registered in $prefix; its files are in $root"
BIN=$bin LOADER=$loader PREFIX=$prefix "$top/scripts/demo-services.sh" || exit 1
"$top/scripts/demo-traffic.sh" "$loader" "$prefix" "$bin" "$root"
"$top/scripts/demo-mail.sh" "$loader" "$prefix" "$bin" "$demo" "$root"
# Mail for port 25 reaches the stand-in SMTP service, wherever it listens.
if [ -f "$demo/smtp-port" ]; then
  export CDO_STANDIN_REDIRECT="25:$(cat "$demo/smtp-port")"
fi
echo

wine "$bin/mailmgr.exe" demo
status=$?

echo
echo "demo: try commands of your own against the same server, e.g. scripts/mailmgr domain list"
echo "demo: (scripts/mailmgr --help lists them; the demo's Wine stays up: scripts/wine-server.sh down $prefix ends it)"
exit $status
