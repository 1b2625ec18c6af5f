#!/usr/bin/env bash
# Runs every test under Wine: the i686 deliverable under 32-bit Wine, then the x86_64
# build under 64-bit Wine, each in its own prefix with one Wine server kept for the whole
# run and ended afterwards. No test is tried twice: a failure fails the run.
#   scripts/test.sh [PRESET] [CTEST ARGS...]   e.g. scripts/test.sh x86_64 -R Traffic
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
presets=(i686 x86_64)
if [ $# -gt 0 ] && [[ $1 != -* ]]; then
  presets=("$1")
  shift
fi
loader_of() { [ "$1" = i686 ] && echo /usr/lib/wine/wine || echo /usr/lib/wine/wine64; }
prefixes=()
stop_all() {
  for prefix in "${prefixes[@]}"; do "$top/scripts/wine-server.sh" down "$prefix"; done
}
trap stop_all EXIT
status=0
for preset in "${presets[@]}"; do
  prefix=$top/build/$preset/wineprefix
  prefixes+=("$prefix")
  echo "test: $preset under $(loader_of "$preset")"
  started=$SECONDS
  if "$top/scripts/wine-server.sh" up "$(loader_of "$preset")" "$prefix"; then
    ctest --preset "$preset" --parallel "$(nproc)" "$@" || status=1
  else
    status=1
  fi
  "$top/scripts/wine-server.sh" down "$prefix"
  echo "test: $preset took $((SECONDS - started)) s"
done
exit $status
