#!/usr/bin/env bash
# Times the tree scanner against fd with 8 threads on a slow volume: a FUSE view
# (tools/slowfs.py) of a tree of 1,231 directories whose every directory listing takes 50 ms,
# as a listing of a network share does. Checks that both find the same files, and prints the
# medians and their ratio (target <= 1.0), then the longest wait between two turns of the
# message loop in a scan through the main window on that volume (target < 10 ms).
# Needs FUSE (fuse3, python3-fusepy: scripts/install-deps test). BUILD and RUNS as in
# common.sh; SLOW_TREE (default /tmp/tabrix-slow-tree) is where the tree is made once.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_targets treescan-bench mainscan-bench
source_tree=${SLOW_TREE:-/tmp/tabrix-slow-tree}
if [ ! -f "$source_tree.done" ]; then
  rm -rf "$source_tree"
  python3 - "$source_tree" <<'PY'
import os, random, sys
root = sys.argv[1]
random.seed(3)
dirs = [root]
os.mkdir(root)
for i in range(1, 1231):
    path = os.path.join(random.choice(dirs[max(0, len(dirs) - 200):]), "dir%d" % i)
    os.mkdir(path)
    dirs.append(path)
for i in range(2400):
    name = ("app%d.ini" if random.random() < 0.24 else "file%d.txt") % i
    with open(os.path.join(random.choice(dirs), name), "w") as f:
        f.write("[s]\nk=v\n")
PY
  touch "$source_tree.done"
fi
[ -e /dev/fuse ] || { echo "slow-volume runs skipped: no /dev/fuse"; exit 0; }
mnt=$(mktemp -d)
/usr/bin/python3 "$repo/tools/slowfs.py" "$source_tree" "$mnt" 0.05 &
fs=$!
trap 'fusermount -u "$mnt" 2>/dev/null || true; wait $fs 2>/dev/null || true; rmdir "$mnt"' EXIT
for _ in $(seq 100); do mountpoint -q "$mnt" && break || sleep 0.05; done
mountpoint -q "$mnt" || { echo "the slow view did not mount" >&2; exit 1; }

scanner() { "$build/bench/treescan-bench" "$mnt" '*.ini' --events; }
fd8() { fdfind -j 8 -g '*.ini' "$mnt"; }

ours=$(scanner | awk '$1 == "F" { print $3 }' | sort)
theirs=$(fd8 | sort)
if [ "$ours" != "$theirs" ]; then
  echo "the scanner and fd find different files:" >&2
  diff <(echo "$ours") <(echo "$theirs") | head >&2
  exit 1
fi
scans="" fds=""
for ((i = 0; i < runs; i++)); do
  scans+="$(millis scanner) "
  fds+="$(millis fd8) "
done
scan=$(tr ' ' '\n' <<<"$scans" | grep . | median)
fd=$(tr ' ' '\n' <<<"$fds" | grep . | median)
echo "slow volume, 1,231 directories, 50 ms a listing, $(wc -l <<<"$ours") files, median of $runs runs:"
printf '  scanner   %6d ms\n  fd -j8    %6d ms\n' "$scan" "$fd"
awk -v s="$scan" -v f="$fd" 'BEGIN { printf "ratio scanner/fd8 %.2f (target <= 1.0)\n", s / f }'
worst=0
for ((i = 0; i < runs; i++)); do
  gap=$("$build/bench/mainscan-bench" "$mnt" 2>/dev/null | awk '{ print $6 }')
  worst=$(awk -v a="$worst" -v b="$gap" 'BEGIN { print (b > a ? b : a) }')
done
echo "scan through the main window: longest wait between turns of the message loop $worst ms (target < 10)"
