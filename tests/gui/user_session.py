#!/usr/bin/env python3
"""A user's session with the real program, checked from outside as the user meets it.

The built program runs on a virtual display with a screen reader's accessibility bus; the
session reads it through that bus and works it with real mouse and keyboard input. Its volume
is a small tmpfs of known INI and INF files, mounted in a private mount namespace. The user
chooses that volume, ticks Include INF Files and scans, opening Help > About while the scan
runs; reads the file list; opens an entry with the keyboard and closes it; opens another with
a double-click, edits it, saves it through the menu and jumps to a section through the Find
menu; and leaves with Exit, answering the prompt. Each step checks what the user would see or
hear, the colours of the scan lamp and the wallpaper among them, and the bytes on disk.

usage: user_session.py PATH-TO-THE-PROGRAM
Ends with 77 (skipped) where no private mount namespace may be had.
"""

import codecs
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

from desktop import Desktop, ended_well, run_session

SKIPPED = 77
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
IN_NAMESPACE = 'TABRIX_GUI_PRIVATE_MOUNTS'

LIME, FUCHSIA = (0, 255, 0), (255, 0, 255)
SECTION_HINT = 'Move cursor to this section header'

UNICODE_TEXT = '[Unicode]\nname=Grüße\n[Other]\nx=1\n'
LONG_PATH = ('Programs With Long Names/Settings Of A Program Whose Name Is Long/'
             'Preferences Saved By The Program.ini')


def enter_private_mount_namespace():
    """Runs this script again in a mount namespace of its own, whose mounts nobody else sees;
    ends the process with SKIPPED where that is not permitted."""
    probe = subprocess.run(['unshare', '-m', '--propagation', 'private', 'true'], stderr=subprocess.PIPE, text=True)
    if probe.returncode != 0:
        print(f'skipped: a private mount namespace is not permitted here ({probe.stderr.strip()})')
        sys.exit(SKIPPED)
    os.environ[IN_NAMESPACE] = '1'
    os.execvp('unshare', ['unshare', '-m', '--propagation', 'private', sys.executable, *sys.argv])


def make_volume(root):
    """Fills the volume; returns the file list a scan with INF files included shows: the INI
    pass, then the INF pass, each directory's files in order (case ignored, twins that differ
    only in case in byte order) before its subdirectories in order; hidden directories are
    not walked, hidden files are listed."""

    def write(path, data):
        os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
        with open(os.path.join(root, path), 'wb') as f:
            f.write(data)

    write('Alpha.ini', b'[Alpha]\r\nkey=1\r\n')
    write('alpha.ini', b'[alpha]\nkey=2\n')
    write('beta.INI', b'[Beta]\r\n')
    write('.profile.ini', b'[Profile]\r\n')
    write('readme.txt', b'not listed\n')
    write('setup.inf', b'[Version]\r\nSignature="$Chicago$"\r\n')
    write('.cache/hidden.ini', b'[Hidden]\r\n')
    write('Config/app.ini', b'[App]\r\nwindow=max\r\n')
    write('Config/Unicode.ini', codecs.BOM_UTF16_LE + UNICODE_TEXT.replace('\n', '\r\n').encode('utf-16-le'))
    write('Config/drivers/net.inf', b'[Net]\r\nadapter=1\r\n')
    write('Config/drivers/.old/gone.inf', b'[Gone]\r\n')
    write(LONG_PATH, b'[Preferences]\r\n')
    # Directories without matches, so that a scan takes a while.
    for i in range(300):
        os.makedirs(os.path.join(root, 'bulk', f'd{i:03}'))
    names = ['.profile.ini', 'Alpha.ini', 'alpha.ini', 'beta.INI', 'Config/app.ini', 'Config/Unicode.ini', LONG_PATH,
             'setup.inf', 'Config/drivers/net.inf']
    return [os.path.join(root, name) for name in names]


def wallpaper_tile():
    """The main window's wallpaper picture, as its form description holds it: a length and a
    16-colour BMP. Returns (width, height, pixel(x, y))."""
    with open(os.path.join(ROOT, 'resources/forms/TMainForm.form')) as f:
        digits = re.search(r'Bitmap\.Data = \{([0-9A-F\s]+)\}', f.read()).group(1)
    data = bytes.fromhex(''.join(digits.split()))
    bmp = data[4:4 + struct.unpack('<I', data[:4])[0]]
    offset = struct.unpack('<I', bmp[10:14])[0]
    width, height = struct.unpack('<ii', bmp[18:26])
    assert struct.unpack('<H', bmp[28:30])[0] == 4, 'the wallpaper is not a 16-colour bitmap'
    palette = [(bmp[54 + 4 * i + 2], bmp[54 + 4 * i + 1], bmp[54 + 4 * i]) for i in range(16)]
    stride = (width * 4 + 31) // 32 * 4

    def pixel(x, y):
        byte = bmp[offset + (height - 1 - y) * stride + x // 2]
        return palette[byte >> 4 if x % 2 == 0 else byte & 0x0F]

    return width, height, pixel



def run_steps(session, steps, kept_name):
    """Runs the named steps in order, saying how long each took. When one fails, a screenshot
    and the logs are kept in kept_name beside the test, for whoever looks into the failure."""
    for name, step in steps:
        started = time.monotonic()
        try:
            step()
        except BaseException:
            kept = os.path.abspath(kept_name)
            shutil.rmtree(kept, ignore_errors=True)
            os.makedirs(kept)
            try:
                session.desktop.screenshot().save(os.path.join(kept, 'screen.ppm'))
            except Exception:
                pass
            for log in ('tabrix.log', 'desktop.log'):
                if os.path.exists(os.path.join(session.work, log)):
                    shutil.copy(os.path.join(session.work, log), kept)
            print(f'FAIL {name}; the screen and the logs are in {kept}', flush=True)
            raise
        print(f'ok   {name} ({time.monotonic() - started:.1f} s)', flush=True)

class Session:
    def __init__(self, desktop, program, volume, work):
        self.desktop, self.program, self.volume, self.work = desktop, program, volume, work
        self.process = None

    def run(self):
        # The screen reader's side finds the bus when it is first imported, so only now.
        try:
            import screen_reader
        except ImportError as e:
            raise RuntimeError(f'{e}: scripts/install-deps test installs what the gui tests need') from None
        self.sr = screen_reader
        expected = make_volume(self.volume)
        steps = [
            ('start-up', self.start),
            ('the tool panel by Tab, Include INF Files by Space', self.tool_panel_by_keyboard),
            ('choose the volume', self.choose_volume),
            ('scan, with Help > About opened meanwhile', self.scan),
            ('the file list', lambda: self.file_list(expected)),
            ('the whole of a long entry', self.long_entry_tip),
            ('open an entry with the keyboard, close it', self.open_by_keyboard),
            ('open an entry with a double-click, type', self.open_and_type),
            ('save through the menu', self.save_through_menu),
            ('jump to a section through the Find menu', self.jump_to_section),
            ('exit, answering the prompt', self.exit),
        ]
        run_steps(self, steps, 'gui-failure')

    # What the user sees.

    def lamp_colours(self):
        """How many of the scan lamp's pixels are lit (fuchsia) and unlit (lime) colour."""
        pixels = self.desktop.screenshot().pixels(*self.lamp.extents)
        return pixels.count(FUCHSIA), pixels.count(LIME)

    def check_lamp(self, lit):
        fuchsia, lime = self.lamp_colours()
        state = 'lit' if lit else 'unlit'
        assert (fuchsia if lit else lime) >= 30 and (lime if lit else fuchsia) == 0, \
            f'the scan lamp is not {state}: {fuchsia} fuchsia and {lime} lime pixels'

    def check_wallpaper(self):
        """The MDI area shows the wallpaper's picture tiled from its top left corner."""
        width, height, tile = wallpaper_tile()
        x0, y0, w, h = self.main.find('layered pane').extents
        assert w >= 2 * width and h >= 2 * height, f'the MDI area is too small to show the tiling: {w}x{h}'
        shot = self.desktop.screenshot()
        wrong = sum(shot.pixel(x0 + x, y0 + y) != tile(x % width, y % height) for y in range(h) for x in range(w))
        assert wrong == 0, f'{wrong} of the MDI area\'s {w * h} pixels differ from the tiled wallpaper'

    def status(self):
        return self.main_status.name

    def wait_status(self, text, timeout=30):
        self.sr.wait_for(lambda: f'the status line to read {text!r}; it reads {self.status()!r}',
                         lambda: self.status() == text, timeout)

    def dialog(self, what, role, name):
        """A window of the program other than the main window, once it shows."""
        return self.sr.wait_for(what, lambda: next((w for w in self.app.children
                                                    if w.role == role and w.name == name and w.visible), None))

    def gone(self, what, probe):
        """Waits until probe() gives something false, or its object is no more."""

        def absent():
            try:
                return not probe()
            except Exception:
                return True

        self.sr.wait_for(f'{what} to go', absent)

    def answer(self, box, button):
        self.desktop.click(*box.find('push button', button).center)
        self.gone('the question', lambda: box.visible)

    def editor(self, path):
        return self.main.wait(f'an editor window named {path}', 'frame', path)

    # The steps.

    def start(self):
        with open(os.path.join(self.work, 'tabrix.log'), 'wb') as log:
            self.process = self.desktop.spawn([self.program], cwd=self.work, stdout=log, stderr=log)
        self.app = self.sr.application(self.process.pid)
        self.main = self.app.wait('the main window, a frame named Tabrix', 'frame', 'Tabrix')
        toolbar = self.main.find('tool bar')
        assert toolbar, 'the tool panel is no tool bar'
        buttons = {b.name: b.enabled for b in toolbar.find_all('push button')}
        assert buttons == {'Open': True, 'Save': False, 'Cut': False, 'Copy': False, 'Paste': False, 'Exit': True,
                           'Scan': True, 'Stop': False}, f'the tool bar\'s buttons, named and enabled: {buttons}'
        self.include = toolbar.find('check box', 'Include INF Files')
        assert self.include and not self.include.checked, 'no cleared check box "Include INF Files"'
        self.drive = toolbar.find('combo box', 'Drive')
        assert self.drive, 'no combo box named "Drive"'
        # The scan lamp: the one picture on the tool bar, a screen reader's plain filler.
        self.lamp = next(c for c in toolbar.children if c.role == 'filler')
        bars = [b for b in self.main.find_all('status bar') if b.visible]
        assert len(bars) == 1, f'the main window has {len(bars)} status bars'
        self.main_status = bars[0]
        self.files = self.main.find('list', visible=True)
        assert self.files.name == 'Files found', f'the file list is named {self.files.name!r}'
        menus = [m.name for m in self.main.find('menu bar').children]
        assert menus == ['File', 'Edit', 'Window', 'Help'], f'the menu bar: {menus}'
        self.check_lamp(lit=False)
        self.check_wallpaper()

    def choose_volume(self):
        self.desktop.click(*self.drive.center)
        entry = self.drive.wait(f'the volume {self.volume} in the drive list', 'list item', self.volume)
        self.desktop.click(*entry.center)
        self.sr.wait_for('the volume to be the chosen drive',
                         lambda: [e.name for e in self.drive.find_all('list item') if e.selected] == [self.volume])

    def focus(self):
        """The name of the control that has the keyboard focus."""
        return next((n.name for n in self.main.find_all(visible=True)
                     if n.role != 'list item' and n.has(self.sr.pyatspi.STATE_FOCUSED)), None)

    def tool_panel_by_keyboard(self):
        # Tab goes through the tool panel's enabled controls, on to the file list and round.
        order = ['Open', 'Exit', 'Include INF Files', 'Drive', 'Scan', self.files.name]
        self.sr.wait_for('the focus on the Open button', lambda: self.focus() == 'Open')
        for name in order[1:] + order[:3]:
            self.desktop.key('Tab')
            self.sr.wait_for(lambda: f'Tab to move the focus to {name}; it is on {self.focus()}',
                             lambda: self.focus() == name)
        self.desktop.key('space')
        self.sr.wait_for('the check box to be ticked', lambda: self.include.checked)

    def scan(self):
        # The user presses Scan and, before the program has looked up, opens Help > About:
        # the about box comes up at once, and the scan goes on behind it to its end.
        x, y = self.main.find('push button', 'Scan').center
        self.desktop.type_ahead(self.process, 'mousemove', x, y, 'mousedown', 1, 'mouseup', 1, 'key', '--delay', 0,
                                'alt+h', 'a')
        about = self.dialog('the about box', 'dialog', 'About Tabrix')
        labels = [label.name for label in about.find_all('label')]
        assert 'Tabrix' in labels and any('Version 1.3' in label for label in labels), f'the about box says {labels}'
        assert about.find('push button', 'OK'), 'the about box has no OK button'
        self.sr.wait_for('the scan to end behind the about box',
                         lambda: not self.main.find('push button', 'Stop').enabled, 30)
        self.desktop.key('Return')
        self.gone('the about box', lambda: about.visible)
        self.check_lamp(lit=False)

    def file_list(self, expected):
        entries = [e.name for e in self.files.find_all('list item')]
        assert entries == expected, 'the file list:\n  ' + '\n  '.join(entries) + '\nexpected:\n  ' + \
            '\n  '.join(expected)
        self.entries = {e.name: e for e in self.files.find_all('list item')}

    def long_entry_tip(self):
        # Tab from the Scan button reaches the list; over an entry too wide for it, the whole
        # path shows in a tip.
        self.desktop.key('Tab')
        self.sr.wait_for('the list to have the focus', lambda: self.files.has(self.sr.pyatspi.STATE_FOCUSED))
        path = os.path.join(self.volume, LONG_PATH)
        self.desktop.move_to(*self.entries[path].center)
        self.sr.wait_for('a tip with the whole path',
                         lambda: any(t.text == path for t in self.main.find_all('text', visible=True)))
        # On another entry the tip is that entry's, or none.
        self.desktop.move_to(*self.entries[os.path.join(self.volume, 'Alpha.ini')].center)
        self.gone('the tip', lambda: any(t.text == path for t in self.main.find_all('text', visible=True)))

    def open_by_keyboard(self):
        # End selects the last entry; Enter opens it as a double-click would.
        path = os.path.join(self.volume, 'Config/drivers/net.inf')
        self.desktop.key('End')
        self.sr.wait_for('the last entry to be selected', lambda: self.files.find_all('list item')[-1].selected)
        self.desktop.key('Return')
        editor = self.editor(path)
        assert editor.find('text').text == '[Net]\nadapter=1\n', 'the editor shows another text'
        # The editor's File menu, by the keyboard: Close asks whether to save.
        self.desktop.key('alt+f', 'c')
        box = self.dialog('the save question', 'alert', 'Please Confirm')
        assert box.find('label', f'Save changes to {path}?'), 'the question names no path'
        self.answer(box, 'No')
        self.gone('the editor window', lambda: self.main.find('frame', path))
        with open(path, 'rb') as f:
            assert f.read() == b'[Net]\r\nadapter=1\r\n', 'closing without saving changed the file'

    def open_and_type(self):
        self.path = os.path.join(self.volume, 'Config/Unicode.ini')
        self.desktop.click(*self.entries[self.path].center, count=2)
        self.editor_window = self.editor(self.path)
        self.text = self.editor_window.find('text')
        self.editor_status = self.editor_window.find('status bar')
        assert self.text.text == UNICODE_TEXT, f'the editor shows {self.text.text!r}'
        self.sr.wait_for('the text to have the focus, the caret at its start',
                         lambda: self.text.has(self.sr.pyatspi.STATE_FOCUSED) and self.text.caret == 0)
        assert self.editor_status.name == ' ', f'a file just opened has the status {self.editor_status.name!r}'
        self.desktop.type('; edited')
        self.desktop.key('Return')
        self.sr.wait_for('"Modified" in the editor\'s status line', lambda: self.editor_status.name == 'Modified')

    def check_file(self, text):
        """The file holds the text as it was loaded: UTF-16 with its byte order mark, CR LF."""
        expected = codecs.BOM_UTF16_LE + text.replace('\n', '\r\n').encode('utf-16-le')
        with open(self.path, 'rb') as f:
            data = f.read()
        assert data == expected, f'the file holds {data!r}\nexpected {expected!r}'

    def save_through_menu(self):
        self.desktop.key('alt+f', 's')
        self.sr.wait_for('the editor\'s status line to clear', lambda: self.editor_status.name == ' ')
        self.check_file('; edited\n' + UNICODE_TEXT)

    def jump_to_section(self):
        self.desktop.key('alt+i')
        entry = self.main.wait('the section entry "Other" in the Find menu', 'menu item', 'Other')
        self.desktop.move_to(*entry.center)
        self.wait_status(SECTION_HINT, timeout=10)
        self.desktop.click(*entry.center)
        self.gone('the Find menu', lambda: entry.visible)
        expected = ('; edited\n' + UNICODE_TEXT).index('[Other]') + 1
        self.sr.wait_for(f'the caret at the section header, offset {expected}', lambda: self.text.caret == expected)
        self.wait_status('', timeout=10)

    def exit(self):
        # The caret is at the section; the user types there, then presses Exit.
        self.desktop.type('x')
        self.sr.wait_for('"Modified" in the editor\'s status line', lambda: self.editor_status.name == 'Modified')
        exit_button = self.main.find('push button', 'Exit')
        self.desktop.click(*exit_button.center)
        box = self.dialog('the save question', 'alert', 'Please Confirm')
        assert box.find('label', f'Save changes to {self.path}?'), 'the question names no path'
        self.answer(box, 'Cancel')
        assert self.process.poll() is None and self.main.visible, 'Cancel did not keep the program running'
        self.desktop.click(*exit_button.center)
        self.answer(self.dialog('the save question', 'alert', 'Please Confirm'), 'Yes')
        ended_well(self.process)
        self.check_file(('; edited\n' + UNICODE_TEXT).replace('[Other]', '[xOther]'))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    if os.environ.get(IN_NAMESPACE) != '1':
        enter_private_mount_namespace()
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix='tabrix-gui-') as work:
        volume = os.path.join(work, 'volume')
        os.mkdir(volume)
        subprocess.run(['mount', '-t', 'tmpfs', '-o', 'size=16m', 'tabrix-gui', volume], check=True)
        try:
            with Desktop(work) as desktop:
                return run_session(Session(desktop, program, volume, work).run, started)
        finally:
            subprocess.run(['umount', volume], check=False)


if __name__ == '__main__':
    sys.exit(main())
