# Shared by the benchmark scripts: where things are, building the programs, and the tree.
#   TREE   where the tree is made once and then reused (default /tmp/tabrix-bench-tree)
#   BUILD  a build directory to use (default build-bench in the repository)
#   RUNS   runs of each program (default 5)
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=${TREE:-/tmp/tabrix-bench-tree}
build=${BUILD:-$repo/build-bench}
runs=${RUNS:-5}

# Wall-clock milliseconds of one run of a command, its output thrown away.
millis() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

# The median of numbers, one a line.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Builds the named benchmark programs, showing the compiler's words only when it fails.
build_targets() {
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  local log
  if ! log=$(cmake --build "$build" --target "$@" 2>&1); then
    echo "$log"
    exit 1
  fi
}

# Makes a tree of 30,000 directories and 300,000 files once, outside the repository: at PATH
# (default $tree) of KIND "ten-way" (the default) or "random".
make_tree() {
  local path=${1:-$tree} kind=${2:-ten-way}
  # ten-way: each directory has ten subdirectories, 2 % of them hidden; random: each one's
  # parent is any directory made before it, and a tenth of them are hidden. Ten files a
  # directory on average, 1 % of them *.ini in mixed case, no hidden files.
  if [ ! -f "$path.done" ]; then
    echo "making $path ..."
    rm -rf "$path"
    python3 - "$path" "$kind" <<'EOF'
import os, random, sys
root, kind = sys.argv[1], sys.argv[2]
random.seed(7)
dirs = [root]
os.mkdir(root)
hidden = 0.02 if kind == "ten-way" else 0.1
for i in range(1, 30000):
    parent = dirs[(i - 1) // 10] if kind == "ten-way" else random.choice(dirs)
    name = (".cache%d" if random.random() < hidden else random.choice(["Dir%d", "data%d", "Setup%d"])) % i
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
    touch "$path.done"
  fi
}
