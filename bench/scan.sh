#!/usr/bin/env bash
# Times the tree scanner against GNU find and a one-pass walker on a generated tree of
# 30,000 directories and 300,000 files, and prints each median and the ratios.
# TREE, BUILD and RUNS as in common.sh.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_targets treescan-bench onepass-walk
scanner=$build/bench/treescan-bench
onepass=$build/bench/onepass-walk
make_tree

# Wall-clock milliseconds of one run of a command, its output thrown away.
millis() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

find_ini() { find "$tree" -name '.*' -prune -o -iname '*.ini' -print; }

# Warm the cache and check that all three see the same files.
find_ini >/dev/null
scanner_out=$("$scanner" "$tree" '*.ini' 2>/dev/null)
onepass_out=$("$onepass" "$tree" '*.ini')
found=$(find_ini | wc -l)
echo "treescan-bench: $scanner_out"
echo "onepass-walk:   $onepass_out"
echo "find:           files $found"

# The three take turns, so that a change in the machine's load falls on each alike.
declare -A samples
for ((i = 0; i < runs; i++)); do
  samples[scanner]+="$(millis "$scanner" "$tree" '*.ini') "
  samples[find]+="$(millis find_ini) "
  samples[onepass]+="$(millis "$onepass" "$tree" '*.ini') "
done
declare -A times
for name in scanner find onepass; do
  times[$name]=$(tr ' ' '\n' <<<"${samples[$name]}" | grep . | median)
done

# Peak memory on the tree and on an empty directory: the difference is what the walk holds.
peak() { { /usr/bin/time -f '%M' "$scanner" "$1" '*.ini' >/dev/null; } 2>&1 | tail -1; }
empty=$(mktemp -d)
rss_tree=$(peak "$tree")
rss_empty=$(peak "$empty")
rmdir "$empty"
echo
echo "median of $runs runs, whole process, milliseconds:"
printf '  treescan-bench %6d\n  find           %6d\n  onepass-walk   %6d\n' \
  "${times[scanner]}" "${times[find]}" "${times[onepass]}"
awk -v s="${times[scanner]}" -v f="${times[find]}" -v o="${times[onepass]}" 'BEGIN {
  printf "ratios: treescan/find %.2f (target <= 1.0), treescan/onepass %.2f (target <= 1.25)\n", s / f, s / o }'
echo "treescan-bench peak memory: $rss_tree KiB on the tree, $rss_empty KiB on an empty directory"
