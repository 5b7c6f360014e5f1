#!/usr/bin/env python3
"""A scan of a slow volume as a user with a screen reader meets it, checked from outside.

The volume is a FUSE view (tools/slowfs.py) of a chain of nested directories, each with an
INI file, whose every directory listing takes 0.4 s, as on a network share: the scan takes
seconds. While it runs, the screen reader reads the status line and the entries found so far
and gets its answers at once, and the Stop button is enabled; Stop ends the scan, the status
line says so, the list keeps what was found; Exit then ends the program.

usage: slow_scan.py PATH-TO-THE-PROGRAM
Ends with 77 (skipped) where FUSE or a private mount namespace may not be had.
"""

import os
import subprocess
import sys
import tempfile
import time

from desktop import Desktop, ended_well, run_session
from user_session import IN_NAMESPACE, SKIPPED, Session, enter_private_mount_namespace

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
DEPTH = 12


class SlowScan(Session):
    def run(self):
        import screen_reader
        self.sr = screen_reader
        for name, step in [('start-up', self.start), ('choose the slow volume', self.choose_volume),
                           ('scan, read while it runs, stop it', self.scan_and_stop), ('exit', self.exit)]:
            started = time.monotonic()
            step()
            print(f'ok   {name} ({time.monotonic() - started:.1f} s)', flush=True)

    def scan_and_stop(self):
        stop = self.main.find('push button', 'Stop')
        self.desktop.click(*self.main.find('push button', 'Scan').center)
        self.sr.wait_for('Stop to be enabled', lambda: stop.enabled)
        self.wait_status('Scanning system for INI files.. Please Wait')
        # The first entries come in while the walk goes on below them; each question of the
        # screen reader is answered while the scan still runs.
        self.sr.wait_for('an entry in the list', lambda: self.files.find_all('list item'))
        asked = time.monotonic()
        found = [e.name for e in self.files.find_all('list item')]
        status = self.status()
        assert stop.enabled, 'the scan ended before the screen reader was answered'
        assert status == 'Scanning system for INI files.. Please Wait', f'the status line read {status!r}'
        assert 0 < len(found) < DEPTH, f'{len(found)} entries while the scan runs'
        print(f'     the list ({len(found)} entries) and the status line read in {time.monotonic() - asked:.2f} s')
        self.desktop.click(*stop.center)
        self.wait_status('Scan Stopped..', timeout=10)
        assert not stop.enabled, 'Stop stays enabled after the scan ended'
        kept = [e.name for e in self.files.find_all('list item')]
        assert kept[:len(found)] == found and len(kept) < DEPTH, f'the list after Stop: {kept}'
        self.check_lamp(lit=False)

    def exit(self):
        self.desktop.click(*self.main.find('push button', 'Exit').center)
        ended_well(self.process)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    try:
        import fusepy  # noqa: F401
    except ImportError:
        print('skipped: no FUSE for Python (python3-fusepy; scripts/install-deps test installs it)')
        return SKIPPED
    if not os.path.exists('/dev/fuse'):
        print('skipped: no /dev/fuse')
        return SKIPPED
    if os.environ.get(IN_NAMESPACE) != '1':
        enter_private_mount_namespace()
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix='tabrix-gui-') as work:
        source, volume = os.path.join(work, 'source'), os.path.join(work, 'volume')
        path = source
        for level in range(DEPTH):
            path = os.path.join(path, f'level{level}')
            os.makedirs(path)
            with open(os.path.join(path, f'app{level}.ini'), 'w') as f:
                f.write('[s]\nk=v\n')
        os.mkdir(volume)
        fs = subprocess.Popen([sys.executable, os.path.join(ROOT, 'tools', 'slowfs.py'), source, volume, '0.4'])
        try:
            deadline = time.monotonic() + 10
            while not os.path.ismount(volume):
                if time.monotonic() > deadline or fs.poll() is not None:
                    print('skipped: the slow view could not be mounted')
                    return SKIPPED
                time.sleep(0.05)
            with Desktop(work) as desktop:
                return run_session(SlowScan(desktop, program, volume, work).run, started)
        finally:
            subprocess.run(['fusermount', '-u', volume], check=False)
            fs.wait(10)


if __name__ == '__main__':
    sys.exit(main())
