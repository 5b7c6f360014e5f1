#!/usr/bin/env bash
# Times the tree scanner against GNU find, fd and a one-pass walker on generated trees of
# 30,000 directories and 300,000 files, and prints each median and the ratios: warm (the tree
# in the kernel's caches) on the ten-way tree and on the random one with a tenth of its
# directories hidden, then cold on the ten-way tree (the page cache dropped before every run;
# as root only), then on a slow volume (bench/slowscan.sh).
# TREE, BUILD and RUNS as in common.sh; COLD=0 leaves out the cold runs, SLOW=0 the slow volume.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_targets treescan-bench onepass-walk
scanner=$build/bench/treescan-bench
onepass=$build/bench/onepass-walk
ten_way=$tree random_tree=$tree-random
make_tree "$ten_way" ten-way
make_tree "$random_tree" random


find_ini() { find "$tree" -name '.*' -prune -o -iname '*.ini' -print; }
# fd leaves out hidden entries by default, as the walk leaves out hidden directories.
fd_ini() { fdfind -j "$1" -g '*.ini' "$tree"; }
fd2() { fd_ini 2; }
fd8() { fd_ini 8; }

# The programs take turns, so that a change in the machine's load falls on each alike; in cold
# mode the page cache is dropped before each run. Prints the medians as "name ms" lines.
programs=(scanner find onepass fd2 fd8)
run_all() {
  local cold=$1 name
  declare -A samples
  for ((i = 0; i < runs; i++)); do
    for name in "${programs[@]}"; do
      if [ "$cold" = 1 ]; then
        sync
        echo 3 >/proc/sys/vm/drop_caches
      fi
      case $name in
      scanner) samples[$name]+="$(millis "$scanner" "$tree" '*.ini') " ;;
      onepass) samples[$name]+="$(millis "$onepass" "$tree" '*.ini') " ;;
      find) samples[$name]+="$(millis find_ini) " ;;
      *) samples[$name]+="$(millis "$name") " ;;
      esac
    done
  done
  for name in "${programs[@]}"; do
    echo "$name $(tr ' ' '\n' <<<"${samples[$name]}" | grep . | median)"
  done
}
command -v fdfind >/dev/null || { echo "fd (Debian's fd-find) is not installed: scripts/install-deps test installs it"; exit 1; }

# CPU time (user + system) of the warm walk, in milliseconds, median of the runs.
cpu_ms() { { /usr/bin/time -f '%U %S' "$scanner" "$tree" '*.ini' >/dev/null; } 2>&1 | tail -1 | awk '{ print int(($1 + $2) * 1000) }'; }

# Warm runs on TREE: checks that all three see the same files, then times them.
warm() {
  tree=$1
  find_ini >/dev/null
  echo "treescan-bench: $("$scanner" "$tree" '*.ini' 2>/dev/null)"
  echo "onepass-walk:   $("$onepass" "$tree" '*.ini')"
  echo "find:           files $(find_ini | wc -l)"
  declare -A times
  while read -r name ms; do times[$name]=$ms; done < <(run_all 0)
  local cpu rss_tree rss_empty empty
  cpu=$(for ((i = 0; i < runs; i++)); do cpu_ms; done | median)
  # Peak memory on the tree and on an empty directory: the difference is what the walk holds.
  empty=$(mktemp -d)
  rss_tree=$(peak "$tree")
  rss_empty=$(peak "$empty")
  rmdir "$empty"
  echo "warm, median of $runs runs, whole process, milliseconds:"
  for name in "${programs[@]}"; do printf '  %-8s %6d\n' "$name" "${times[$name]}"; done
  awk -v s="${times[scanner]}" -v f="${times[find]}" -v o="${times[onepass]}" -v d="${times[fd8]}" 'BEGIN {
    printf "ratios: scanner/find %.2f (target <= 1.0), scanner/onepass %.2f (target <= 1.25), scanner/fd8 %.2f\n", s / f, s / o, s / d }'
  echo "scanner CPU time (user + system), warm: $cpu ms"
  echo "scanner peak memory: $rss_tree KiB on the tree, $rss_empty KiB on an empty directory"
}
peak() { { /usr/bin/time -f '%M' "$scanner" "$1" '*.ini' >/dev/null; } 2>&1 | tail -1; }

echo "the ten-way tree, 2 % of its directories hidden:"
warm "$ten_way"
echo
echo "the random tree, a tenth of its directories hidden:"
warm "$random_tree"
tree=$ten_way

if [ "${COLD:-1}" = 0 ]; then
  :
elif [ "$(id -u)" -ne 0 ] || ! (echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then
  echo "cold runs skipped: dropping the page cache needs root"
else
  declare -A cold
  while read -r name ms; do cold[$name]=$ms; done < <(run_all 1)
  echo
  echo "cold, the ten-way tree, median of $runs runs, page cache dropped before each, milliseconds:"
  for name in "${programs[@]}"; do printf '  %-8s %6d\n' "$name" "${cold[$name]}"; done
  awk -v s="${cold[scanner]}" -v d8="${cold[fd8]}" -v d2="${cold[fd2]}" -v o="${cold[onepass]}" 'BEGIN {
    printf "ratios: scanner/fd8 %.2f (target <= 0.8), scanner/fd2 %.2f, scanner/onepass %.2f\n", s / d8, s / d2, s / o }'
fi

if [ "${SLOW:-1}" != 0 ]; then
  echo
  "$repo/bench/slowscan.sh"
fi
