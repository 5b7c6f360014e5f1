#!/usr/bin/env bash
# Times the program's start, from starting the process to its main window being shown, on a
# virtual display (bench/startup.py), and prints the median of RUNS starts (default here 9),
# plain and with a screen reader's accessibility bus on. BUILD as in common.sh.
set -euo pipefail

RUNS=${RUNS:-9}
source "$(dirname "$0")/common.sh"
build_targets tabrix
exec python3 "$repo/bench/startup.py" "$build/tabrix" "$runs"
