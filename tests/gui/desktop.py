"""A desktop of the test's own, as a user with a screen reader has one: a virtual X display,
or a headless Wayland compositor, a private session bus with the accessibility bus on it
(turned on as a screen reader turns it on), real input through xdotool (on X) and screenshots
of the whole screen.
"""

import os
import select
import signal
import socket
import subprocess
import tempfile
import time
import traceback

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
    on exit. With accessibility, a screen reader's accessibility bus is on too. With wayland,
    the display is a headless Wayland compositor and programs started on it use Qt's Wayland
    platform; there is no input device there."""

    def __init__(self, workdir, accessibility=True, wayland=False):
        self.workdir = workdir
        self.accessibility = accessibility
        self.wayland = wayland
        self.groups = []
        self.runtime = os.path.join(workdir, 'runtime')
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)
        # The runtime folder holds the socket a second start of the program looks for, the
        # configuration folder its recent files: the test's own, never the user's.
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, XDG_CONFIG_HOME=os.path.join(workdir, 'config'),
                        LC_ALL='C.UTF-8', LANG='C.UTF-8')
        for name in ('QT_QPA_PLATFORM', 'DISPLAY', 'WAYLAND_DISPLAY'):
            self.env.pop(name, None)
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
        if self.wayland:
            self.start_compositor()
            return
        read, write = os.pipe()
        # Without -noreset the server resets, refusing connections for a moment, whenever its
        # last client leaves.
        self.spawn(['Xvfb', '-displayfd', str(write), '-screen', '0', f'{WIDTH}x{HEIGHT}x24', '-nolisten', 'tcp',
                    '-noreset'], pass_fds=(write,))
        os.close(write)
        self.env['DISPLAY'] = ':' + read_line(read, 20, 'Xvfb')

    def start_compositor(self):
        """Weston with its desktop shell on a headless output drawn by its software renderer;
        its debug protocols on, since only they let a client take screenshots."""
        name = 'wayland-tabrix'
        self.spawn(['weston', '--backend=headless-backend.so', '--use-pixman', f'--width={WIDTH}',
                    f'--height={HEIGHT}', f'--socket={name}', '--idle-time=0', '--debug'])
        path = os.path.join(self.runtime, name)
        deadline = time.monotonic() + 20
        while True:
            try:
                with socket.socket(socket.AF_UNIX) as probe:
                    probe.connect(path)
                break
            except OSError:
                if time.monotonic() > deadline or self.groups[-1].poll() is not None:
                    raise RuntimeError('weston did not start within 20 s') from None
                time.sleep(0.05)
        # No input method: Qt's Wayland text input asks for the seat's keyboard, which a
        # compositor without input devices does not have, and crashes on the first text field.
        self.env.update(WAYLAND_DISPLAY=name, QT_QPA_PLATFORM='wayland', QT_IM_MODULE='none')

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
        os.environ.update({name: self.env[name] for name in ('DISPLAY', 'WAYLAND_DISPLAY', 'DBUS_SESSION_BUS_ADDRESS')
                           if name in self.env})

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
        if self.wayland:
            # The compositor's screenshooter writes a PNG of the output into its working folder.
            with tempfile.TemporaryDirectory(dir=self.workdir) as folder:
                subprocess.run(['weston-screenshooter'], env=self.env, cwd=folder, check=True, timeout=20,
                               stdout=subprocess.DEVNULL)
                shot = os.path.join(folder, os.listdir(folder)[0])
                raw = subprocess.run(['convert', shot, '-depth', '8', 'rgb:-'], check=True, timeout=20,
                                     stdout=subprocess.PIPE).stdout
        else:
            raw = subprocess.run(['import', '-window', 'root', '-depth', '8', 'rgb:-'], env=self.env, check=True,
                                 timeout=20, stdout=subprocess.PIPE).stdout
        if len(raw) != WIDTH * HEIGHT * 3:
            raise RuntimeError(f'a screenshot of {len(raw)} bytes, not {WIDTH}x{HEIGHT} pixels')
        return Screenshot(raw, WIDTH, HEIGHT)


def ended_well(process):
    """Waits for the program to end after Exit, with status 0."""
    try:
        code = process.wait(10)
    except subprocess.TimeoutExpired:
        raise AssertionError('the program did not end after Exit') from None
    assert code == 0, f'the program ended with {code}'


def run_session(run, started):
    """Runs a session's steps (run): 0 when they pass, saying how long the session took since
    started (time.monotonic()); 1 when one fails, saying why."""
    try:
        run()
    except AssertionError as e:
        print(f'\n{e}', flush=True)
        return 1
    except Exception:
        traceback.print_exc()
        return 1
    print(f'the session passed in {time.monotonic() - started:.1f} s')
    return 0
