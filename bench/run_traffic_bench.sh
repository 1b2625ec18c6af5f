#!/usr/bin/env bash
# The traffic reader against its floor (line counting of the same files) and against two
# plain scripts of the same rules (Python and mawk), on generated logs of each size given
# in megabytes. Every result is checked against the generator's totals. Floor and module
# are medians of five runs taken in turn (module/floor: the median of their five ratios);
# the scripts run once.
# Usage: bench/run_traffic_bench.sh [MEGABYTES...]   (default: 10 100 1000)
# BUILD_DIR (default build/x86_64; build/i686 runs under 32-bit Wine) holds
# bin/traffic_bench.exe and the Wine prefix;
# WORK_DIR (default a fresh folder under /tmp) receives the logs, one size at a time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${BUILD_DIR:-$top/build/x86_64}" && pwd)
work=${WORK_DIR:-$(mktemp -d /tmp/traffic-bench.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 100 1000)

loader=/usr/lib/wine/wine64
[[ $(basename "$build") == i686 ]] && loader=/usr/lib/wine/wine  # the 32-bit build runs under 32-bit Wine
bench() {
  "$top/scripts/wine-run.sh" "$loader" "$build/wineprefix" "$build/bin/traffic_bench.exe" "$@" | tr -d '\r'
}

# mawk's run: its seconds, then MISMATCH unless its totals and finished files are the generator's.
run_mawk() {
  local logs=$1 began ended out
  began=$(date +%s.%N)
  out=$(LC_ALL=C mawk -f "$top/bench/traffic_script.awk" "$logs.expected" $(LC_ALL=C ls -d "$logs"/*))
  ended=$(date +%s.%N)
  awk -v a="$began" -v b="$ended" 'BEGIN { printf "%.3f\n", b - a }'
  [ "$(sed -n 's/^lines=//p' <<<"$out")" = "$lines" ] || echo "mawk lines differ"
  cmp -s <(grep -E '^(day|finished) ' "$logs.expected" | sort) <(grep -E '^(day|finished) ' <<<"$out" | sort) ||
    echo "mawk MISMATCH"
}

printf '%8s %10s %8s %9s %9s %8s %10s %13s %14s %12s %8s\n' MB lines "floor s" "module s" "python s" "mawk s" \
  lines/s module/floor python/module mawk/module "peak MB"
for size in "${sizes[@]}"; do
  logs="$work/$size"
  windows="Z:${logs//\//\\}\\"
  bench generate "$windows" "$size" >/dev/null
  # MB lines floor module lines/s ratio peak [MISMATCH]
  read -r mb lines floor module rate ratio peak mismatch < <(bench measure "$windows" | tail -n 1)
  script=$(python3 "$top/bench/traffic_script.py" "$logs" || true)
  script_s=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$script")
  [[ $script == *MISMATCH* ]] && mismatch="$mismatch script MISMATCH"
  [ "$(sed -n 's/^lines=\([0-9]*\).*/\1/p' <<<"$script")" = "$lines" ] || mismatch="$mismatch script lines differ"
  mawk_run=$(run_mawk "$logs")
  mawk_s=$(head -n 1 <<<"$mawk_run")
  mismatch="$mismatch $(tail -n +2 <<<"$mawk_run" | tr '\n' ' ')"
  awk -v mb="$mb" -v lines="$lines" -v floor="$floor" -v module="$module" -v script="$script_s" -v mawk_s="$mawk_s" \
    -v rate="$rate" -v ratio="$ratio" -v peak="$peak" -v note="$mismatch" 'BEGIN {
      printf "%8s %10s %8.2f %9.2f %9.2f %8.2f %10.0f %13.2f %14.1f %12.1f %8s %s\n",
             mb, lines, floor, module, script, mawk_s, rate, ratio, script / module, mawk_s / module, peak, note }'
  rm -rf "$logs" "$logs.expected"
done
[ -n "${WORK_DIR:-}" ] || rmdir "$work"
