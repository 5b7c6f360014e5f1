"""Checks that the wallpaper in the main window's form description is what the generator
draws now, and that it is the 16-grey BMP file the wallpaper component reads.

Run from the repository root: python3 -m unittest discover tests/tools
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FORM = 'resources/forms/TMainForm.form'
GREYS = [0, 12, 53, 106, 136, 148, 156, 165, 173, 181, 189, 202, 214, 222, 235, 251]


def committed_form():
    with open(os.path.join(ROOT, FORM), 'rb') as f:
        return f.read()


class DrawWallpaperTest(unittest.TestCase):
    def test_committed_form_matches_the_generator(self):
        with tempfile.TemporaryDirectory() as out:
            os.makedirs(os.path.join(out, 'resources/forms'))
            shutil.copy(os.path.join(ROOT, FORM), os.path.join(out, FORM))
            subprocess.run([sys.executable, os.path.join(ROOT, 'tools/draw-wallpaper.py')], cwd=out, check=True)
            with open(os.path.join(out, FORM), 'rb') as f:
                self.assertEqual(f.read(), committed_form())

    def test_the_data_is_a_length_and_a_16_grey_bmp_file(self):
        text = committed_form().decode('utf-8')
        block = re.search(r'object MDIWallpaper1: TMDIWallpaper\n    Bitmap\.Data = \{([0-9A-F\s]*)\}', text)
        self.assertIsNotNone(block)
        data = bytes.fromhex(''.join(block.group(1).split()))
        (length,) = struct.unpack_from('<I', data)
        self.assertEqual(length, 4214)
        self.assertEqual(len(data), 4 + length)
        bmp = data[4:]
        signature, size, _, _, offset = struct.unpack_from('<2sIHHI', bmp)
        self.assertEqual((signature, size, offset), (b'BM', 4214, 118))
        header, width, height, planes, bits, compression, image, _, _, used, important = struct.unpack_from(
            '<IiiHHIIiiII', bmp, 14)
        self.assertEqual((header, width, height, planes, bits), (40, 128, 64, 1, 4))
        self.assertEqual((compression, image, used, important), (0, 4096, 16, 16))
        palette = [tuple(bmp[54 + 4 * i:54 + 4 * i + 3]) for i in range(16)]
        self.assertEqual(palette, [(g, g, g) for g in GREYS])


if __name__ == '__main__':
    unittest.main()
