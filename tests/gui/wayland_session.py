#!/usr/bin/env python3
"""The program running natively on Wayland, checked from outside as a user meets it.

The built program runs on a headless Weston with Qt's Wayland platform and a screen reader's
accessibility bus. The compositor has no input devices, so the session works the program
through that bus, as a screen reader does: it checks on a screenshot that the main window shows
its wallpaper; opens a file through File > Open and its file dialog, sees the file's text and
the editor's menus merged into the menu bar; types, saves through the merged File menu and
checks the bytes on disk; closes the editor, answering its question; and leaves with File > Exit.

usage: wayland_session.py PATH-TO-THE-PROGRAM
Ends with 77 (skipped) where no Wayland compositor can start.
"""

import os
import re
import shutil
import sys
import tempfile
import time

from desktop import Desktop, ended_well, run_session
from user_session import SKIPPED, run_steps, wallpaper_tile

TEXT = b'[Greeting]\r\ntext=Hello\r\n'
# The desktop entry by whose name the compositor finds the window's icon and launcher.
ENTRY = 'tabrix.desktop'


def find_area(shot, width, height, tile):
    """The top left corner of the first place on the screen, top to bottom and left to right,
    that shows the wallpaper's picture from its own top left corner over width x height."""
    tw, th, pixel = tile
    first_row = bytes(v for x in range(tw) for v in pixel(x, 0))
    for y in range(shot.height - height + 1):
        row = shot.raw[y * shot.width * 3:(y + 1) * shot.width * 3]
        at = row.find(first_row)
        while at >= 0:
            if at % 3 == 0 and at // 3 + width <= shot.width:
                x0 = at // 3
                if all(shot.pixel(x0 + x, y + yy) == pixel(x % tw, yy % th) for yy in range(height)
                       for x in range(width)):
                    return x0, y
            at = row.find(first_row, at + 1)
    return None


class Session:
    def __init__(self, desktop, program, work):
        self.desktop, self.program, self.work = desktop, program, work
        self.path = os.path.join(work, 'files', 'hello.ini')
        os.makedirs(os.path.dirname(self.path))
        with open(self.path, 'wb') as f:
            f.write(TEXT)

    def run(self):
        import screen_reader
        from gi.repository import Atspi, GLib
        self.sr, self.Atspi, self.GLib = screen_reader, Atspi, GLib
        steps = [('start-up on Wayland, the wallpaper on screen', self.start),
                 ('open a file through File > Open', self.open_file),
                 ('type and save through the merged File menu', self.type_and_save),
                 ('close the editor, exit through File > Exit', self.close_and_exit)]
        run_steps(self, steps, 'wayland-failure')

    def press(self, node):
        """Does the object's Press action. An action that opens a modal dialog answers only once
        the dialog closes, so the answer is not waited for: the step then waits for what the
        action shows."""
        action = node.accessible.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        assert 'Press' in names, f'{node} cannot be pressed; its actions are {names}'
        self.Atspi.set_timeout(500, -1)
        try:
            action.doAction(names.index('Press'))
        except self.GLib.GError:
            pass
        finally:
            self.Atspi.set_timeout(-1, -1)

    def menu_item(self, menu, name):
        menus = {m.name: m for m in self.main.find('menu bar').children}
        assert menu in menus, f'no menu {menu} in the menu bar {list(menus)}'
        item = menus[menu].find('menu item', name)
        assert item, f'no item {name} in the {menu} menu'
        return item

    def start(self):
        # The program's side of the Wayland conversation is logged, to read the names it gives.
        self.log = os.path.join(self.work, 'tabrix.log')
        with open(self.log, 'wb') as log:
            self.process = self.desktop.spawn(['env', 'WAYLAND_DEBUG=client', self.program], cwd=self.work,
                                              stdout=log, stderr=log)
        self.app = self.sr.application(self.process.pid)
        self.main = self.app.wait('the main window, a frame named Tabrix', 'frame', 'Tabrix')
        menus = [m.name for m in self.main.find('menu bar').children]
        assert menus == ['File', 'Edit', 'Window', 'Help'], f'the menu bar: {menus}'
        with open(self.log, errors='replace') as log:
            app_ids = set(re.findall(r'set_app_id\("([^"]*)"\)', log.read()))
        assert app_ids == {ENTRY.removesuffix('.desktop')}, f'the windows are known to the compositor as {app_ids}'
        # Where the compositor puts the window is its own affair: the wallpaper is looked for.
        tile = wallpaper_tile()
        _, _, w, h = self.main.find('layered pane').extents
        assert w >= 2 * tile[0] and h >= 2 * tile[1], f'the MDI area is too small to show the tiling: {w}x{h}'
        self.sr.wait_for(f'the tiled wallpaper over the {w}x{h} MDI area on the screen',
                         lambda: find_area(self.desktop.screenshot(), w, h, tile))

    def open_file(self):
        self.press(self.menu_item('File', 'Open'))
        dialog = self.sr.wait_for('the open dialog', lambda: next(
            (c for c in self.app.children if c.role == 'dialog' and c.name == 'Open' and c.visible), None))
        dialog.find('text', visible=True).accessible.queryEditableText().setTextContents(self.path)
        self.press(dialog.find('push button', 'Open'))
        editor = self.main.wait(f'an editor window named {self.path}', 'frame', self.path)
        self.text = editor.find('text')
        self.status = editor.find('status bar')
        assert self.text.text == TEXT.decode().replace('\r\n', '\n'), f'the editor shows {self.text.text!r}'
        menus = [m.name for m in self.main.find('menu bar').children]
        assert menus == ['File', 'Edit', 'Find', 'Window', 'Help'], f'the merged menu bar: {menus}'

    def type_and_save(self):
        self.text.accessible.queryEditableText().insertText(0, '; greeted\n', 10)
        self.sr.wait_for('"Modified" in the editor\'s status line', lambda: self.status.name == 'Modified')
        self.press(self.menu_item('File', 'Save'))
        self.sr.wait_for('the editor\'s status line to clear', lambda: self.status.name == ' ')
        with open(self.path, 'rb') as f:
            data = f.read()
        assert data == b'; greeted\r\n' + TEXT, f'the file holds {data!r}'

    def close_and_exit(self):
        # The editor's Close asks, in a message box, whether to save; then the main window's
        # own File menu is back.
        self.press(self.menu_item('File', 'Close'))
        box = self.sr.wait_for('the save question', lambda: next(
            (c for c in self.app.children if c.role == 'alert' and c.name == 'Please Confirm' and c.visible), None))
        assert box.find('label', f'Save changes to {self.path}?'), 'the question names no path'
        self.press(box.find('push button', 'No'))
        self.sr.wait_for('the editor window to go', lambda: not self.main.find('frame', self.path))
        self.press(self.menu_item('File', 'Exit'))
        ended_well(self.process)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    program = os.path.abspath(sys.argv[1])
    missing = [tool for tool in ('weston', 'weston-screenshooter') if not shutil.which(tool)]
    if missing:
        print(f'skipped: no Wayland compositor here ({", ".join(missing)} not installed)')
        return SKIPPED
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix='tabrix-wayland-') as work:
        try:
            desktop = Desktop(work, wayland=True).__enter__()
        except RuntimeError as e:
            print(f'skipped: the Wayland compositor could not start ({e})')
            return SKIPPED
        try:
            return run_session(Session(desktop, program, work).run, started)
        finally:
            desktop.close()


if __name__ == '__main__':
    sys.exit(main())
