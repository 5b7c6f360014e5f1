#!/usr/bin/env python3
"""Times opening a large INI file in the program's editor as a user does, plain and with a
screen reader's accessibility bus on: from the press of Enter in the open dialog until the
program is idle (its processor time unchanged for 1 s), the processor time it took, and that
of the display server and the buses meanwhile (their first processes). The
file has 20,000 sections of ten "keyN=some value text S" lines, CR LF. Prints the median of
RUNS opens each way.

usage: open-a11y.py PATH-TO-THE-PROGRAM [RUNS]
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'gui'))
from desktop import Desktop  # noqa: E402

HZ = os.sysconf('SC_CLK_TCK')


def cpu_seconds(pid):
    with open(f'/proc/{pid}/stat') as stat:
        fields = stat.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / HZ


def wait_idle(pid, quiet=1.0, timeout=60):
    """Waits until the process has used no processor time for `quiet` seconds; returns the
    moment its processor time last changed."""
    last, changed = cpu_seconds(pid), time.perf_counter()
    deadline = changed + timeout
    while time.perf_counter() - changed < quiet and time.perf_counter() < deadline:
        time.sleep(0.02)
        now = cpu_seconds(pid)
        if now != last:
            last, changed = now, time.perf_counter()
    return changed


def write_file(path):
    with open(path, 'wb') as f:
        for s in range(20000):
            f.write(f'[Section{s}]\r\n'.encode())
            for k in range(10):
                f.write(f'key{k}=some value text {s}\r\n'.encode())


def time_open(desktop, program, path, work):
    process = subprocess.Popen([program], env=desktop.env, cwd=work, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        time.sleep(1)
        wait_idle(process.pid)
        desktop.click(18, 8)  # File
        time.sleep(0.5)
        desktop.click(49, 29)  # Open
        time.sleep(1)
        wait_idle(process.pid)
        desktop.type(path)
        wait_idle(process.pid, quiet=0.3)
        others = [p.pid for p in desktop.groups]
        before, around = cpu_seconds(process.pid), sum(map(cpu_seconds, others))
        pressed = time.perf_counter()
        desktop.key('Return')
        idle = wait_idle(process.pid)
        return ((idle - pressed) * 1000, (cpu_seconds(process.pid) - before) * 1000,
                (sum(map(cpu_seconds, others)) - around) * 1000)
    finally:
        process.terminate()
        process.wait()


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 3
    with tempfile.TemporaryDirectory(prefix='tabrix-open-') as work:
        path = os.path.join(work, 'big.ini')
        write_file(path)
        print(f'{os.path.getsize(path) / 1e6:.1f} MB, 20,000 sections; medians of {runs} opens:')
        for accessibility in (False, True):
            with Desktop(work, accessibility=accessibility) as desktop:
                samples = [time_open(desktop, program, path, work) for _ in range(runs)]
            what = 'with the accessibility bus' if accessibility else 'plain'
            print(f'  {what:<28} until idle {statistics.median(s[0] for s in samples):7.0f} ms   '
                  f'processor {statistics.median(s[1] for s in samples):7.0f} ms   '
                  f'display and buses {statistics.median(s[2] for s in samples):7.0f} ms')
    print('budget with the bus: 1000 ms until idle')


if __name__ == '__main__':
    main()
