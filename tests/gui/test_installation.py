"""The installation as a desktop finds it: the program, its menu entry and its icon, in the
places freedesktop.org desktops look under the prefix, staged under DESTDIR.

Run by ctest with TABRIX_BUILD_DIR naming a build of the program.
"""

import configparser
import os
import struct
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ENTRY = os.path.join(ROOT, 'resources/desktop/tabrix.desktop')


def read_entry(path):
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read(path, encoding='utf-8')
    return parser['Desktop Entry']


class InstallationTest(unittest.TestCase):
    def test_the_menu_entry_is_valid(self):
        result = subprocess.run(['desktop-file-validate', ENTRY], capture_output=True, text=True)
        self.assertEqual((result.returncode, result.stdout + result.stderr), (0, ''))
        entry = read_entry(ENTRY)
        self.assertEqual(entry['Name'], 'Tabrix')
        self.assertTrue(entry['Comment'])
        self.assertEqual(entry['Categories'], 'Utility;TextEditor;')

    def test_the_install_puts_the_program_its_entry_and_its_icon_where_a_desktop_looks(self):
        build = os.environ['TABRIX_BUILD_DIR']
        with tempfile.TemporaryDirectory() as stage:
            subprocess.run(['cmake', '--install', build, '--prefix', '/usr'], env=dict(os.environ, DESTDIR=stage),
                           check=True, stdout=subprocess.DEVNULL)
            installed = sorted(os.path.relpath(os.path.join(folder, name), stage)
                               for folder, _, names in os.walk(stage) for name in names)
            self.assertEqual(installed, ['usr/bin/tabrix', 'usr/share/applications/tabrix.desktop',
                                         'usr/share/icons/hicolor/32x32/apps/tabrix.png'])
            self.assertTrue(os.access(os.path.join(stage, 'usr/bin/tabrix'), os.X_OK))

            # The entry starts the installed program and shows the installed icon.
            entry = read_entry(os.path.join(stage, 'usr/share/applications/tabrix.desktop'))
            self.assertEqual(entry['Exec'], 'tabrix')
            self.assertEqual(entry['Icon'], 'tabrix')
            with open(os.path.join(stage, 'usr/share/icons/hicolor/32x32/apps/tabrix.png'), 'rb') as f:
                png = f.read()
            self.assertEqual(png[:8], b'\x89PNG\r\n\x1a\n')
            self.assertEqual(struct.unpack('>4sII', png[12:24]), (b'IHDR', 32, 32))

    def test_an_install_prefix_of_ones_own(self):
        build = os.environ['TABRIX_BUILD_DIR']
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run(['cmake', '--install', build, '--prefix', prefix], check=True, stdout=subprocess.DEVNULL)
            for path in ('bin/tabrix', 'share/applications/tabrix.desktop',
                         'share/icons/hicolor/32x32/apps/tabrix.png'):
                self.assertTrue(os.path.isfile(os.path.join(prefix, path)), path)


if __name__ == '__main__':
    unittest.main()
