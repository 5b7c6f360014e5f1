"""Checks that the committed glyphs and icon are what the generator draws now.

Run from the repository root: python3 -m unittest discover tests/tools
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NAMES = ['open', 'save', 'cut', 'copy', 'paste', 'exit', 'stop']
FILES = [f'resources/glyphs/{n}.bmp' for n in NAMES] + ['resources/MAINICON.ico']


def read(root, path):
    with open(os.path.join(root, path), 'rb') as f:
        return f.read()


class DrawGlyphsTest(unittest.TestCase):
    def test_committed_files_match_the_generator(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, os.path.join(ROOT, 'tools/draw-glyphs.py')],
                           cwd=out, check=True)
            for path in FILES:
                self.assertEqual(read(out, path), read(ROOT, path), path)

    def test_glyph_headers(self):
        for name in NAMES:
            data = read(ROOT, f'resources/glyphs/{name}.bmp')
            magic, size, _, _, offset = struct.unpack('<2sIHHI', data[:14])
            header = struct.unpack('<IiiHHI', data[14:34])
            self.assertEqual((magic, size, offset), (b'BM', len(data), 118), name)
            self.assertEqual(header, (40, 40, 20, 1, 4, 0), name)
            self.assertEqual(len(data), 118 + 20 * 20, name)
            # The bottom-left pixel is the transparent colour: olive.
            self.assertEqual(data[offset] >> 4, 3, name)

    def test_icon_header(self):
        data = read(ROOT, 'resources/MAINICON.ico')
        self.assertEqual(struct.unpack('<HHH', data[:6]), (0, 1, 1))
        entry = struct.unpack('<BBBBHHII', data[6:22])
        self.assertEqual(entry, (32, 32, 16, 0, 1, 4, 40 + 64 + 512 + 128, 22))
        self.assertEqual(struct.unpack('<IiiHHI', data[22:42]), (40, 32, 64, 1, 4, 0))
        self.assertEqual(len(data), 22 + entry[6])


if __name__ == '__main__':
    unittest.main()
