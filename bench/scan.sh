#!/usr/bin/env bash
# Times the tree scanner against GNU find and a one-pass walker on a generated tree of
# 30,000 directories and 300,000 files, and prints each median and the ratios.
#   TREE   where the tree is made once and then reused (default /tmp/tabrix-bench-tree)
#   BUILD  a build directory to use (default build-bench in the repository)
#   RUNS   runs of each program (default 5)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
tree=${TREE:-/tmp/tabrix-bench-tree}
build=${BUILD:-$repo/build-bench}
runs=${RUNS:-5}

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if ! log=$(cmake --build "$build" --target treescan-bench onepass-walk 2>&1); then
  echo "$log"
  exit 1
fi
scanner=$build/bench/treescan-bench
onepass=$build/bench/onepass-walk

# A ten-way tree of directories, 2 % of them hidden; ten files a directory on average,
# 1 % of them *.ini in mixed case, no hidden files.
if [ ! -f "$tree.done" ]; then
  echo "making $tree ..."
  rm -rf "$tree"
  python3 - "$tree" <<'EOF'
import os, random, sys
root = sys.argv[1]
random.seed(7)
dirs = [root]
os.mkdir(root)
for i in range(1, 30000):
    parent = dirs[(i - 1) // 10]
    name = (".cache%d" if random.random() < 0.02 else random.choice(["Dir%d", "data%d", "Setup%d"])) % i
    path = os.path.join(parent, name)
    os.mkdir(path)
    dirs.append(path)
for i in range(300000):
    d = random.choice(dirs)
    if random.random() < 0.01:
        name = random.choice(["app%d.ini", "Setup%d.INI", "win%d.Ini"]) % i
    else:
        name = random.choice(["file%d.txt", "Readme%d", "lib%d.so", "x%d.inf"]) % i
    with open(os.path.join(d, name), "w") as f:
        if random.random() < 0.1:
            f.write("[section]\nkey=value\n")
EOF
  touch "$tree.done"
fi

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
  printf "ratios: treescan/find %.2f (target <= 1.0), treescan/onepass %.2f (target <= 1.5)\n", s / f, s / o }'
echo "treescan-bench peak memory: $rss_tree KiB on the tree, $rss_empty KiB on an empty directory"
