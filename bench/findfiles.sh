#!/usr/bin/env bash
# Times findfiles-bench, the search of Find in Listed Files, against ripgrep with two threads
# (rg -j2 -i -F) over the same 2,000 INI files of 40 KB (80 MB; a tenth UTF-16 with a byte
# order mark, which both decode; one match a file), made once under /tmp, warm cache, in the
# same run: each program once to warm the cache, then RUNS runs of each in turn. Checks that
# both find the same lines, and prints the medians and their ratio (target <= 1.5).
# FILES (default /tmp/tabrix-findfiles), BUILD and RUNS as in common.sh.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_targets findfiles-bench
files=${FILES:-/tmp/tabrix-findfiles}
text=NeedleValue

if [ ! -f "$files.done" ]; then
  echo "making $files ..."
  rm -rf "$files"
  python3 - "$files" "$text" <<'PY'
import os, random, sys
root, text = sys.argv[1], sys.argv[2]
random.seed(11)
os.makedirs(root)
paths = []
for i in range(2000):
    utf16 = i % 10 == 0
    size = 40 * 1024 // (2 if utf16 else 1)
    lines, length, n = ["[Settings%d]" % i], 0, 0
    where = random.randrange(50, 1000)
    while length < size - 64:
        if n == where:
            value = random.choice([text, text.upper(), text.lower()])
            line = "Path%d=C:\\Program Files\\%s\\app.exe" % (n, value)
        else:
            line = "Key%d=%s" % (n, random.choice(["some value", "1", "C:\\Windows\\System32", "Enabled"]))
        lines.append(line)
        length += len(line) + 2
        n += 1
    body = "\r\n".join(lines) + "\r\n"
    path = os.path.join(root, "app%04d.%s" % (i, "inf" if utf16 else "ini"))
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + body.encode("utf-16-le") if utf16 else body.encode("ascii"))
    paths.append(path)
with open(root + ".list", "w") as f:
    f.write("\n".join(paths) + "\n")
PY
  touch "$files.done"
fi
mapfile -t paths <"$files.list"

ours() { "$build/bench/findfiles-bench" "$files.list" "$text"; }
theirs() { rg -j2 -i -F -n -H --no-heading "$text" "${paths[@]}"; }

# The same lines found (ripgrep keeps each line's carriage return).
if ! diff <(ours | sort) <(theirs | tr -d '\r' | sort) >/dev/null; then
  echo "findfiles-bench and rg find different lines:" >&2
  diff <(ours | sort) <(theirs | tr -d '\r' | sort) | head >&2
  exit 1
fi
matches=$(ours | wc -l)

ours_ms=() theirs_ms=()
for ((i = 0; i < runs; i++)); do
  ours_ms+=("$(millis ours)")
  theirs_ms+=("$(millis theirs)")
done
a=$(printf '%s\n' "${ours_ms[@]}" | median)
b=$(printf '%s\n' "${theirs_ms[@]}" | median)
echo "2,000 files of 40 KB, $matches matches, $runs runs, load average $(cut -d' ' -f1-3 /proc/loadavg); medians:"
printf '  findfiles-bench  %5d ms\n  rg -j2 -i -F     %5d ms\n  ratio            %s (target <= 1.5)\n' "$a" "$b" \
  "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", a / b }')"
