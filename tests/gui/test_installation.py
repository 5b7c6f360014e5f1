"""The installation as a desktop finds it: the program, its menu entry, its icons and the
description software centres read, in the places freedesktop.org desktops look under the
prefix, staged under DESTDIR; and the Debian package that holds them.

Run by ctest with TABRIX_BUILD_DIR naming a build of the program.
"""

import configparser
import os
import re
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ENTRY = os.path.join(ROOT, 'resources/desktop/tabrix.desktop')
METAINFO = os.path.join(ROOT, 'resources/desktop/org.tabrix.Tabrix.metainfo.xml')
LICENSE = os.path.join(ROOT, 'LICENSE')
INSTALLED = ['bin/tabrix', 'share/applications/tabrix.desktop', 'share/doc/tabrix/copyright'] + [
    f'share/icons/hicolor/{size}x{size}/apps/tabrix.png' for size in (128, 16, 32, 48, 64)] + [
    'share/icons/hicolor/scalable/apps/tabrix.svg', 'share/metainfo/org.tabrix.Tabrix.metainfo.xml']


def version():
    """The project's version, as CMakeLists.txt gives it."""
    with open(os.path.join(ROOT, 'CMakeLists.txt'), encoding='utf-8') as f:
        return re.search(r"^project\(Tabrix VERSION (\S+)", f.read(), re.M).group(1)


def validate(*command):
    """The validator's exit code and whatever it said beyond its word of success."""
    result = subprocess.run(command, capture_output=True, text=True)
    said = [line for line in (result.stdout + result.stderr).splitlines() if line and '✔' not in line]
    return result.returncode, said


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
        # A file manager offers it for INI and INF files, and hands it the files chosen.
        self.assertEqual(entry['Exec'], 'tabrix %F')
        self.assertEqual(entry['MimeType'], 'text/plain;application/x-wine-extension-ini;application/x-wine-extension-inf;')
        provided = [m.text for m in ElementTree.parse(METAINFO).getroot().findall('provides/mediatype')]
        self.assertEqual(provided, entry['MimeType'].rstrip(';').split(';'))

    def test_the_software_centres_description_is_valid(self):
        self.assertEqual(validate('appstreamcli', 'validate', '--no-net', METAINFO), (0, []))
        component = ElementTree.parse(METAINFO).getroot()
        self.assertEqual(component.find('launchable').text, os.path.basename(ENTRY))
        self.assertEqual(component.find('name').text, read_entry(ENTRY)['Name'])
        self.assertEqual(component.find('project_license').text, 'MIT')
        # It names no address: none is the project's.
        with open(METAINFO, encoding='utf-8') as f:
            self.assertNotRegex(f.read(), r'https?://')

    def test_the_version_stands_once(self):
        # The about box's version and the newest release agree with the project's.
        with open(os.path.join(ROOT, 'resources/forms/TMainForm.form'), encoding='utf-8') as f:
            self.assertEqual(re.findall(r"^\s*Version = '([^']*)'", f.read(), re.M), [version()])
        releases = ElementTree.parse(METAINFO).getroot().findall('releases/release')
        self.assertEqual(releases[0].get('version'), version())
        # So does what the program says of itself, without a display.
        shown = subprocess.run([os.path.join(os.environ['TABRIX_BUILD_DIR'], 'tabrix'), '--version'], check=True,
                               capture_output=True, text=True, env=dict(os.environ, DISPLAY='', WAYLAND_DISPLAY=''))
        self.assertEqual(shown.stdout, 'Tabrix %s\n' % version())

    def test_the_install_puts_the_program_its_entry_and_its_icons_where_a_desktop_looks(self):
        build = os.environ['TABRIX_BUILD_DIR']
        with tempfile.TemporaryDirectory() as stage:
            subprocess.run(['cmake', '--install', build, '--prefix', '/usr'], env=dict(os.environ, DESTDIR=stage),
                           check=True, stdout=subprocess.DEVNULL)
            installed = sorted(os.path.relpath(os.path.join(folder, name), stage)
                               for folder, _, names in os.walk(stage) for name in names)
            self.assertEqual(installed, ['usr/' + path for path in INSTALLED])
            self.assertTrue(os.access(os.path.join(stage, 'usr/bin/tabrix'), os.X_OK))

            # The entry starts the installed program and shows the installed icon.
            entry = read_entry(os.path.join(stage, 'usr/share/applications/tabrix.desktop'))
            self.assertEqual(entry['Exec'], 'tabrix %F')
            self.assertEqual(entry['Icon'], 'tabrix')
            with open(os.path.join(stage, 'usr/share/icons/hicolor/32x32/apps/tabrix.png'), 'rb') as f:
                png = f.read()
            self.assertEqual(png[:8], b'\x89PNG\r\n\x1a\n')
            self.assertEqual(struct.unpack('>4sII', png[12:24]), (b'IHDR', 32, 32))

    def test_an_install_prefix_of_ones_own(self):
        build = os.environ['TABRIX_BUILD_DIR']
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run(['cmake', '--install', build, '--prefix', prefix], check=True, stdout=subprocess.DEVNULL)
            for path in INSTALLED:
                self.assertTrue(os.path.isfile(os.path.join(prefix, path)), path)

    def test_the_debian_package(self):
        build = os.environ['TABRIX_BUILD_DIR']
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(['cpack', '--config', os.path.join(build, 'CPackConfig.cmake'), '-B', folder], check=True,
                           stdout=subprocess.DEVNULL)
            arch = subprocess.run(['dpkg', '--print-architecture'], capture_output=True, text=True).stdout.strip()
            deb = os.path.join(folder, f'tabrix_{version()}_{arch}.deb')
            self.assertTrue(os.path.isfile(deb), os.listdir(folder))

            def field(name):
                return subprocess.run(['dpkg-deb', '--field', deb, name], capture_output=True, text=True).stdout.strip()

            self.assertEqual((field('Package'), field('Version'), field('Section')), ('tabrix', version(), 'editors'))
            # Computed from the binary: the C library and Qt's libraries among them, with versions.
            depends = dict(re.fullmatch(r'(\S+)(?: \((.*)\))?', d).groups() for d in field('Depends').split(', '))
            for library in ('libc6', 'libstdc++6', 'libqt6core6', 'libqt6widgets6', 'libqt6printsupport6',
                            'libqt6network6', 'libmount1'):
                self.assertRegex(depends.get(library) or '', r'^>= ', library)
            self.assertIn('fonts-liberation', depends)
            self.assertEqual(field('Recommends'), 'qt6-wayland')

            unpacked = os.path.join(folder, 'root')
            subprocess.run(['dpkg-deb', '--extract', deb, unpacked], check=True)
            files = sorted(os.path.relpath(os.path.join(d, name), unpacked)
                           for d, _, names in os.walk(unpacked) for name in names)
            self.assertEqual(files, ['usr/' + path for path in INSTALLED])
            described = subprocess.run(['file', '--brief', os.path.join(unpacked, 'usr/bin/tabrix')],
                                       capture_output=True, text=True).stdout
            self.assertIn(', stripped', described)
            # The entry, the metainfo and the icons are the validated, committed ones.
            for path, committed in [('share/applications/tabrix.desktop', ENTRY), (INSTALLED[-1], METAINFO),
                                    ('share/doc/tabrix/copyright', LICENSE)] + [
                    (p, os.path.join(ROOT, 'resources/desktop/icons', p[len('share/icons/'):]))
                    for p in INSTALLED if p.startswith('share/icons/')]:
                with open(os.path.join(unpacked, 'usr', path), 'rb') as f, open(committed, 'rb') as g:
                    self.assertEqual(f.read(), g.read(), path)


if __name__ == '__main__':
    unittest.main()
