#!/usr/bin/env bash
# Times a whole scan through the main window over the benchmark tree against GNU find on the
# same tree in the same run, and prints the longest wait between two turns of the message
# loop and how many waits were over 10 ms, warm and then cold (the page cache dropped before each run, against fd with 8
# threads). The tree is made a volume of its own in a private mount namespace (needs root).
# TREE, BUILD and RUNS as in common.sh.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_targets mainscan-bench
make_tree

exec unshare -m bash -s "$build/bench/mainscan-bench" "$tree" "$runs" <<'EOS'
set -euo pipefail
bench=$1 tree=$2 runs=$3
mount --make-rprivate /
mount --bind "$tree" "$tree"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
millis() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(((e - s) / 1000000)); }
find_ini() { find "$tree" -name '.*' -prune -o -iname '*.ini' -print; }
find_ini >/dev/null
"$bench" "$tree" >/dev/null
scans="" finds="" intervals="" long_turns=0
for ((i = 0; i < runs; i++)); do
  out=$("$bench" "$tree")
  scans+="$(awk '{ print int($4) }' <<<"$out") "
  intervals+="$(awk '{ print $6 }' <<<"$out") "
  long_turns=$((long_turns + $(awk '{ print $8 }' <<<"$out")))
  finds+="$(millis find_ini) "
done
echo "scan through the main window: $out"
scan=$(tr ' ' '\n' <<<"$scans" | grep . | median)
find=$(tr ' ' '\n' <<<"$finds" | grep . | median)
worst=$(tr ' ' '\n' <<<"$intervals" | grep . | sort -n | tail -1)
echo "median of $runs runs, milliseconds: scan1Click $scan, find $find"
awk -v s="$scan" -v f="$find" -v w="$worst" 'BEGIN {
  printf "ratio scan/find %.2f (target <= 1.5); longest wait between turns of the message loop %.2f ms (target < 10)\n", s / f, w }'
echo "waits over 10 ms in all $runs runs: $long_turns"

drop() { sync; echo 3 >/proc/sys/vm/drop_caches; }
scans="" fds="" intervals="" long_turns=0
for ((i = 0; i < runs; i++)); do
  drop
  out=$("$bench" "$tree")
  scans+="$(awk '{ print int($4) }' <<<"$out") "
  intervals+="$(awk '{ print $6 }' <<<"$out") "
  long_turns=$((long_turns + $(awk '{ print $8 }' <<<"$out")))
  drop
  fds+="$(millis fdfind -j 8 -g '*.ini' "$tree") "
done
scan=$(tr ' ' '\n' <<<"$scans" | grep . | median)
fd=$(tr ' ' '\n' <<<"$fds" | grep . | median)
worst=$(tr ' ' '\n' <<<"$intervals" | grep . | sort -n | tail -1)
echo "cold, median of $runs runs, milliseconds: scan1Click $scan, fd with 8 threads $fd"
awk -v s="$scan" -v f="$fd" -v w="$worst" 'BEGIN {
  printf "ratio scan/fd8 %.2f; longest wait between turns of the message loop %.2f ms (target < 10)\n", s / f, w }'
echo "waits over 10 ms in all $runs runs: $long_turns"
EOS
