#!/usr/bin/env python3
"""Opening files from a shell while the program runs, checked from outside.

On a virtual display with a screen reader's accessibility bus: `tabrix FILE` opens FILE in
an editor window; a second `tabrix FILE` hands its file to the running program and ends at
once; one started while the running program is held still ends after 3 s with status 1,
saying so, and its file is not opened later; `tabrix --new-window` is a program of its own
that leaves the running one its files; a program killed leaves its socket behind, and two
starts at the same moment after that make one program that opens both files once.

usage: second_start.py PATH-TO-THE-PROGRAM
"""

import os
import signal
import subprocess
import sys
import tempfile
import time

from desktop import Desktop, run_session


class Session:
    def __init__(self, desktop, program, work):
        self.desktop, self.program, self.work = desktop, program, work

    def run(self):
        try:
            import screen_reader
        except ImportError as e:
            raise RuntimeError(f'{e}: scripts/install-deps test installs what the gui tests need') from None
        self.sr = screen_reader
        self.files = {}
        for name in ('one', 'two', 'held', 'after', 'own', 'mine', 'left', 'right'):
            path = os.path.join(self.work, f'{name}.ini')
            with open(path, 'wb') as f:
                f.write(f'[{name}]\r\nkey=1\r\n'.encode())
            self.files[name] = path
        for name, step in [('tabrix FILE opens it', self.first_start),
                           ('a second start hands its file over', self.second_start),
                           ('a start gives up on a program that does not answer', self.held_program),
                           ('--new-window is a program of its own', self.new_window),
                           ('two starts at once over a socket left behind', self.two_at_once)]:
            started = time.monotonic()
            step()
            print(f'ok   {name} ({time.monotonic() - started:.1f} s)', flush=True)

    def start(self, *arguments):
        return self.desktop.spawn([self.program, *arguments], cwd=self.work)

    def finish(self, *arguments):
        """Runs a start that is to end by itself: its status, standard error and time."""
        started = time.monotonic()
        done = subprocess.run([self.program, *arguments], cwd=self.work, env=self.desktop.env, capture_output=True,
                              timeout=30)
        return done.returncode, done.stderr.decode(errors='replace'), time.monotonic() - started

    def main_window(self, process):
        app = self.sr.application(process.pid)
        return app, app.wait('the main window, a frame named Tabrix', 'frame', 'Tabrix')

    def editors(self, main):
        # The frames named after files; the main window and unnamed frames of its own aside.
        return sorted(f.name for f in main.find_all('frame') if f.name not in ('', 'Tabrix'))

    def wait_editors(self, main, names):
        expected = sorted(self.files[n] for n in names)
        self.sr.wait_for(lambda: f'the editor windows {expected}; there are {self.editors(main)}',
                         lambda: self.editors(main) == expected)

    def first_start(self):
        self.first = self.start(self.files['one'])
        _, self.main = self.main_window(self.first)
        self.wait_editors(self.main, ['one'])

    def second_start(self):
        # A path relative to the second start's working directory.
        code, error, took = self.finish('two.ini')
        print(f'     the second start ended after {took:.2f} s')
        assert code == 0, f'the second start ended with {code}: {error}'
        assert took < 5, f'the second start took {took:.1f} s to end'
        self.wait_editors(self.main, ['one', 'two'])

    def held_program(self):
        os.kill(self.first.pid, signal.SIGSTOP)
        try:
            code, error, took = self.finish(self.files['held'])
        finally:
            os.kill(self.first.pid, signal.SIGCONT)
        print(f'     the start gave up after {took:.2f} s')
        assert code == 1, f'a start the running program did not answer ended with {code}'
        assert 'does not answer' in error, f'it said {error!r}'
        assert took >= 2.9, f'it gave up after {took:.1f} s'
        # The running program looks at the start that gave up first, then at this one.
        code, error, _ = self.finish(self.files['after'])
        assert code == 0, f'the start after ended with {code}: {error}'
        self.wait_editors(self.main, ['one', 'two', 'after'])

    def new_window(self):
        own = self.start('--new-window', self.files['own'])
        _, own_main = self.main_window(own)
        self.wait_editors(own_main, ['own'])
        code, error, _ = self.finish(self.files['mine'])
        assert code == 0, f'a start while two programs run ended with {code}: {error}'
        self.wait_editors(self.main, ['one', 'two', 'after', 'mine'])
        assert self.editors(own_main) == [self.files['own']], 'the --new-window program took files'
        assert own.poll() is None, 'the --new-window program ended'

    def two_at_once(self):
        # Killed, the program leaves its socket behind.
        for process in list(self.desktop.groups):
            if process.args[0] == self.program:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
                self.desktop.groups.remove(process)
        starts = [self.start(self.files['left']), self.start(self.files['right'])]
        deadline = time.monotonic() + 20
        while all(s.poll() is None for s in starts) and time.monotonic() < deadline:
            time.sleep(0.02)
        ended = [s for s in starts if s.poll() is not None]
        assert len(ended) == 1, f'{len(ended)} of the two starts ended'
        assert ended[0].returncode == 0, f'the start that handed over ended with {ended[0].returncode}'
        running = next(s for s in starts if s.poll() is None)
        _, main = self.main_window(running)
        self.wait_editors(main, ['left', 'right'])
        time.sleep(0.5)
        assert self.editors(main) == sorted([self.files['left'], self.files['right']]), \
            f'the windows: {self.editors(main)}'


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix='tabrix-second-') as work:
        with Desktop(work) as desktop:
            return run_session(Session(desktop, program, work).run, started)


if __name__ == '__main__':
    sys.exit(main())
