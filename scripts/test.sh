#!/usr/bin/env bash
# Runs every test under Wine, then ends the wineserver of each test prefix. The server is
# not made persistent: Wine's system processes would then outlive the first test and hold
# its output pipe open, and CTest would wait for them.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
wine_up() {  # LOADER PREFIX: create the prefix before the first test
  "$top/scripts/wine-run.sh" "$1" "$2" cmd /c exit >/dev/null 2>&1
}
wine_down() {  # PREFIX
  WINEPREFIX=$1 /usr/lib/wine/wineserver -k 2>/dev/null
  WINEPREFIX=$1 /usr/lib/wine/wineserver -w 2>/dev/null
}
status=0
wine_up /usr/lib/wine/wine64 "$top/build/x86_64/wineprefix"
ctest --preset x86_64 --repeat until-pass:2 || status=1
wine_down "$top/build/x86_64/wineprefix"
# The deliverable's tests run only where 32-bit Wine is installed.
if [ -x /usr/lib/wine/wine ] && [ -d /usr/lib/i386-linux-gnu/wine ]; then
  wine_up /usr/lib/wine/wine "$top/build/i686/wineprefix"
  ctest --preset i686 --repeat until-pass:2 || status=1
  wine_down "$top/build/i686/wineprefix"
else
  echo "test: no 32-bit Wine here; the i686 build was built and its exports checked, its tests not run"
fi
exit $status
