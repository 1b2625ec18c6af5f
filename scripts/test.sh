#!/usr/bin/env bash
# Runs every test under Wine. One wineserver serves the whole run of a build, so that a
# test does not pay for starting it again; it is ended at the close.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
wine_up() {  # LOADER PREFIX
  "$top/scripts/wine-run.sh" "$1" "$2" cmd /c exit >/dev/null 2>&1
  WINEPREFIX=$2 /usr/lib/wine/wineserver -p
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
