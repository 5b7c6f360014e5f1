"""Checks that the committed about banner is what the generator draws now, and that it is
the picture the about box expects.

Run from the repository root: python3 -m unittest discover tests/tools
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PATH = 'resources/about/banner.bmp'


def read(root):
    with open(os.path.join(root, PATH), 'rb') as f:
        return f.read()


class DrawBannerTest(unittest.TestCase):
    def test_committed_banner_matches_the_generator(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run([sys.executable, os.path.join(ROOT, 'tools/draw-banner.py')], cwd=out, check=True)
            self.assertEqual(read(out), read(ROOT))

    def test_an_uncompressed_588_by_118_bitmap_of_256_colours(self):
        data = read(ROOT)
        magic, size, _, _, offset = struct.unpack('<2sIHHI', data[:14])
        self.assertEqual((magic, size, offset), (b'BM', len(data), 14 + 40 + 1024))
        header = struct.unpack('<IiiHHIIiiII', data[14:54])
        self.assertEqual(header[:7], (40, 588, 118, 1, 8, 0, 588 * 118))
        self.assertEqual(header[9], 256)
        # The picture uses many of its colours: a gradient, not a handful of flat fills.
        self.assertGreater(len(set(data[offset:])), 200)


if __name__ == '__main__':
    unittest.main()
