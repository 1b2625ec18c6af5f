#!/bin/bash
# Checks that every folder of src/ includes only itself and the folders below it.
# The order, lowest first, is the one the README's layout table shows.
set -euo pipefail
layers=(interfaces platform srvclient automation listfiles traffic archive mailobjects package provider)
src="${1:-$(dirname "$0")/../src}"
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
status=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  [[ -v rank[$folder] ]] || { echo "src/$folder is not in the layer order"; status=1; continue; }
  while IFS=: read -r file included; do
    target=${included%%/*}
    if [[ ! -v rank[$target] ]]; then
      echo "${file#"$src"/} includes $included: no such layer"; status=1
    elif (( rank[$target] > rank[$folder] )); then
      echo "${file#"$src"/} includes $included from a higher layer"; status=1
    fi
  done < <(grep -rHo '#include "[a-z_]*/[a-z_.]*"' "$dir" | sed 's/#include "//; s/"$//')
done
exit $status
