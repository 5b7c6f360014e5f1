#!/usr/bin/env bash
# Times an editor window on a generated INI file of 5 MB with 20,000 sections (find-bench):
# loading it with its section menu, opening its Find menu, a find-next from the start to a
# match near the end, and closing the window; beside them the time the text control alone
# takes to load the same file, measured in the same process. Each run is a process of its own;
# prints the median of each figure. Without DISPLAY the runs use Qt's offscreen platform.
# Then the program itself opens a file of that size as a user opens it, on a virtual display,
# plain and with a screen reader's accessibility bus on (bench/open-a11y.py).
# BUILD and RUNS as in common.sh.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_targets find-bench tabrix

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A samples
for ((i = 0; i < runs; i++)); do
  start=$(date +%s%N)
  out=$("$build/bench/find-bench" 2>/dev/null)
  end=$(date +%s%N)
  samples[process_ms]+="$(((end - start) / 1000000)) "
  # "name value name value ..." into the samples of each name.
  while read -r name value; do
    samples[$name]+="$value "
  done < <(xargs -n 2 <<<"$out")
done

echo "find-bench, $runs runs, load average $(cut -d' ' -f1-3 /proc/loadavg); medians in milliseconds:"
for name in control_ms loadfile_ms open_menu_ms find_next_ms close_ms process_ms; do
  printf '  %-13s %8s\n' "${name%_ms}" "$(tr ' ' '\n' <<<"${samples[$name]}" | grep . | median)"
done
echo "control: the text control alone loading the file; loadfile: LoadFile with the section menu"
echo "built (target <= 1000); open_menu: the Find menu opened from the menu bar and painted"
echo "(target <= 300); find_next: start to a match near the end (target <= 50); process: the"
echo "whole benchmark process, file generation included."

echo
python3 "$repo/bench/open-a11y.py" "$build/tabrix" "$runs"
