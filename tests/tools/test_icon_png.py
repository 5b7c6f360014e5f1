"""Checks that the committed desktop icon shows the program's icon, pixel for pixel.

Run from the repository root: python3 -m unittest discover tests/tools
"""

import importlib.util
import os
import struct
import sys
import unittest
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# The tool is loaded as a module, leaving no compiled copy beside it.
sys.dont_write_bytecode = True
module_spec = importlib.util.spec_from_file_location('icon_png', os.path.join(ROOT, 'tools/icon-png.py'))
icon_png = importlib.util.module_from_spec(module_spec)
module_spec.loader.exec_module(icon_png)


def read(path):
    with open(os.path.join(ROOT, path), 'rb') as f:
        return f.read()


def png_pixels(data):
    """(width, height, rows of (r, g, b, a)) of an 8-bit RGBA PNG written without filters."""
    assert data[:8] == b'\x89PNG\r\n\x1a\n'
    chunks, at = {}, 8
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        chunks[kind] = chunks.get(kind, b'') + data[at + 8:at + 8 + length]
        at += 12 + length
    width, height, depth, colour, _, _, _ = struct.unpack('>IIBBBBB', chunks[b'IHDR'])
    assert (depth, colour) == (8, 6)
    raw = zlib.decompress(chunks[b'IDAT'])
    stride = 1 + 4 * width
    rows = []
    for y in range(height):
        line = raw[y * stride:(y + 1) * stride]
        assert line[0] == 0, 'a filtered row'
        rows.append([tuple(line[1 + 4 * x:5 + 4 * x]) for x in range(width)])
    return width, height, rows


class IconPngTest(unittest.TestCase):
    def test_the_committed_png_shows_the_icon(self):
        icon = icon_png.icon_pixels(read(icon_png.SOURCE))
        self.assertEqual(png_pixels(read(icon_png.TARGET)), icon)

    def test_the_icon_is_32_by_32_with_a_transparent_background(self):
        width, height, rows = icon_png.icon_pixels(read(icon_png.SOURCE))
        self.assertEqual((width, height), (32, 32))
        alphas = {pixel[3] for row in rows for pixel in row}
        self.assertEqual(alphas, {0, 255})
        self.assertEqual(rows[0][0][3], 0, 'the top left corner is not transparent')

    def test_a_file_that_is_no_icon_is_refused(self):
        with self.assertRaises(ValueError):
            icon_png.icon_pixels(b'BM' + bytes(60))


if __name__ == '__main__':
    unittest.main()
