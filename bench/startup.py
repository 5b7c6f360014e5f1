#!/usr/bin/env python3
"""Times the program's start: from starting the process to the X server mapping its main
window, on a virtual display of its own, watched from outside through the server's
notifications (Xlib through ctypes). Prints the median, the fastest and the slowest of RUNS
starts, plain and with a screen reader's accessibility bus on.

usage: startup.py PATH-TO-THE-PROGRAM [RUNS]
"""

import ctypes
import os
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'gui'))
from desktop import Desktop  # noqa: E402

SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
MAP_NOTIFY = 19


class MapEvent(ctypes.Structure):
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('event', ctypes.c_ulong), ('window', ctypes.c_ulong),
                ('override_redirect', ctypes.c_int)]


class Event(ctypes.Union):
    _fields_ = [('type', ctypes.c_int), ('map', MapEvent), ('pad', ctypes.c_long * 24)]


class Screen:
    """A connection to the display that hears of every top-level window mapped."""

    def __init__(self, display):
        self.x = ctypes.CDLL('libX11.so.6')
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(Event)]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.display = self.x.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError(f'cannot open the display {display}')
        self.x.XSelectInput(self.display, self.x.XDefaultRootWindow(self.display), SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XSync(self.display, 0)
        self.fd = self.x.XConnectionNumber(self.display)

    def wait_for_map(self, title, timeout):
        """Waits until a top-level window with the title is mapped; False on a timeout."""
        deadline = time.monotonic() + timeout
        event = Event()
        while True:
            while self.x.XPending(self.display):
                self.x.XNextEvent(self.display, ctypes.byref(event))
                if event.type == MAP_NOTIFY and self.title(event.map.window) == title:
                    return True
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                return False

    def title(self, window):
        name = ctypes.c_char_p()
        if not self.x.XFetchName(self.display, window, ctypes.byref(name)) or not name.value:
            return None
        return name.value.decode(errors='replace')


def time_starts(desktop, program, runs, work):
    screen = Screen(desktop.env['DISPLAY'])
    times = []
    for _ in range(runs):
        started = time.perf_counter()
        process = subprocess.Popen([program], env=desktop.env, cwd=work, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        shown = screen.wait_for_map('Tabrix', 20)
        elapsed = time.perf_counter() - started
        process.send_signal(signal.SIGTERM)
        process.wait()
        if not shown:
            raise RuntimeError('the main window did not show within 20 s')
        times.append(elapsed * 1000)
    return times


def report(what, times):
    print(f'{what:<38} median {statistics.median(times):6.1f} ms   fastest {min(times):6.1f}   '
          f'slowest {max(times):6.1f}   ({len(times)} starts)')


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 9
    with tempfile.TemporaryDirectory(prefix='tabrix-startup-') as work:
        with Desktop(work, accessibility=False) as desktop:
            report('start to main window shown', time_starts(desktop, program, runs, work))
        with Desktop(work) as desktop:
            report('the same, with a screen reader\'s bus', time_starts(desktop, program, runs, work))
    print('budget: 100 ms')


if __name__ == '__main__':
    main()
