"""A desktop of the test's own, as a user with a screen reader has one: a virtual X display,
a private session bus with the accessibility bus on it (turned on as a screen reader turns it
on), real input through xdotool and screenshots of the whole screen.
"""

import os
import select
import signal
import subprocess
import time

WIDTH, HEIGHT = 1024, 768


def read_line(fd, timeout, what):
    """The first line written to fd, waiting at most timeout seconds for it."""
    data = b''
    deadline = time.monotonic() + timeout
    while not data.endswith(b'\n'):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            raise RuntimeError(f'{what} did not start within {timeout} s')
        chunk = os.read(fd, 256)
        if not chunk:
            raise RuntimeError(f'{what} ended before it was ready')
        data += chunk
    os.close(fd)
    return data.decode().strip()


class Screenshot:
    """The screen's pixels as a user sees them."""

    def __init__(self, raw, width, height):
        self.raw, self.width, self.height = raw, width, height

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.raw[i:i + 3])

    def pixels(self, x, y, w, h):
        return [self.pixel(px, py) for py in range(y, y + h) for px in range(x, x + w)]

    def save(self, path):
        """Writes the picture as a binary PPM, which any viewer opens."""
        with open(path, 'wb') as f:
            f.write(b'P6 %d %d 255\n' % (self.width, self.height) + self.raw)


class Desktop:
    """Starts the display and the session bus on entry, and ends them, and all they started,
    on exit. With accessibility, a screen reader's accessibility bus is on too."""

    def __init__(self, workdir, accessibility=True):
        self.workdir = workdir
        self.accessibility = accessibility
        self.groups = []
        runtime = os.path.join(workdir, 'runtime')
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=runtime, LC_ALL='C.UTF-8', LANG='C.UTF-8')
        self.env.pop('QT_QPA_PLATFORM', None)
        self.log = open(os.path.join(workdir, 'desktop.log'), 'wb')

    def __enter__(self):
        try:
            self.start_display()
            self.start_session_bus()
            if self.accessibility:
                self.turn_on_accessibility()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def spawn(self, command, **kwargs):
        """Starts a process in a group of its own, ended with the desktop."""
        kwargs.setdefault('stdout', self.log)
        kwargs.setdefault('stderr', self.log)
        process = subprocess.Popen(command, env=self.env, start_new_session=True, **kwargs)
        self.groups.append(process)
        return process

    def start_display(self):
        read, write = os.pipe()
        # Without -noreset the server resets, refusing connections for a moment, whenever its
        # last client leaves.
        self.spawn(['Xvfb', '-displayfd', str(write), '-screen', '0', f'{WIDTH}x{HEIGHT}x24', '-nolisten', 'tcp',
                    '-noreset'], pass_fds=(write,))
        os.close(write)
        self.env['DISPLAY'] = ':' + read_line(read, 20, 'Xvfb')

    def start_session_bus(self):
        read, write = os.pipe()
        self.spawn(['dbus-daemon', '--session', '--nofork', '--nopidfile', f'--print-address={write}'],
                   pass_fds=(write,))
        os.close(write)
        self.env['DBUS_SESSION_BUS_ADDRESS'] = read_line(read, 20, 'the session bus')

    def turn_on_accessibility(self):
        """Starts the accessibility bus and says a screen reader is running, as Orca does;
        programs started afterwards join the bus."""
        bus = ['dbus-send', '--session', '--print-reply', '--dest=org.a11y.Bus', '/org/a11y/bus']
        subprocess.run(bus + ['org.a11y.Bus.GetAddress'], env=self.env, check=True, timeout=20,
                       stdout=subprocess.DEVNULL)
        subprocess.run(bus + ['org.freedesktop.DBus.Properties.Set', 'string:org.a11y.Status',
                              'string:ScreenReaderEnabled', 'variant:boolean:true'],
                       env=self.env, check=True, timeout=20, stdout=subprocess.DEVNULL)
        # The screen reader's side of the bus is reached through the environment.
        os.environ.update(DISPLAY=self.env['DISPLAY'], DBUS_SESSION_BUS_ADDRESS=self.env['DBUS_SESSION_BUS_ADDRESS'])

    def close(self):
        for process in reversed(self.groups):
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        self.groups = []
        self.log.close()

    # Real input, as from the user's mouse and keyboard.

    def xdotool(self, *args):
        subprocess.run(['xdotool', *map(str, args)], env=self.env, check=True, timeout=20, stdout=subprocess.DEVNULL)

    # The server takes the input in the order it is sent, so a click lands where the pointer
    # was moved just before. (Waiting for the move with --sync would wait for ever when the
    # pointer is there already.)
    def move_to(self, x, y):
        self.xdotool('mousemove', x, y)

    def click(self, x, y, count=1):
        # Two clicks 80 ms apart make a double-click, well within the usual interval.
        self.xdotool('mousemove', x, y, 'click', '--repeat', count, '--delay', 80, 1)

    def key(self, *keys):
        self.xdotool('key', '--delay', 40, *keys)

    def type(self, text):
        self.xdotool('type', '--delay', 20, text)

    def type_ahead(self, process, *xdotool_commands):
        """Gives a busy program input that it finds waiting when it next looks: the program is
        held still while the input is sent, as if it were busy, then let go."""
        os.kill(process.pid, signal.SIGSTOP)
        try:
            self.xdotool(*xdotool_commands)
            # A round trip: the server has handled the input, and written the program's events.
            self.xdotool('getmouselocation')
        finally:
            os.kill(process.pid, signal.SIGCONT)

    def screenshot(self):
        raw = subprocess.run(['import', '-window', 'root', '-depth', '8', 'rgb:-'], env=self.env, check=True,
                             timeout=20, stdout=subprocess.PIPE).stdout
        if len(raw) != WIDTH * HEIGHT * 3:
            raise RuntimeError(f'a screenshot of {len(raw)} bytes, not {WIDTH}x{HEIGHT} pixels')
        return Screenshot(raw, WIDTH, HEIGHT)
