"""Checks that the committed desktop icons show the program's icon: at 32 pixels pixel for pixel,
at the other sizes resampled, and as squares in the SVG.

Run from the repository root: python3 -m unittest discover tests/tools
"""

import importlib.util
import os
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree
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
    def test_the_committed_icons_are_what_the_tool_draws(self):
        drawn = icon_png.drawings(read(icon_png.SOURCE))
        self.assertEqual(len(drawn), 6)
        for path, data in drawn.items():
            self.assertEqual(read(path), data, f'{path} differs; python3 tools/icon-png.py draws it again')

    def test_each_size_shows_the_icon(self):
        width, height, icon = icon_png.icon_pixels(read(icon_png.SOURCE))
        self.assertEqual(png_pixels(read(icon_png.target(32))), (width, height, icon))
        # Twice the size: each pixel a 2 x 2 square of its own colour.
        _, _, large = png_pixels(read(icon_png.target(64)))
        self.assertTrue(all(large[y][x] == icon[y // 2][x // 2] for y in range(64) for x in range(64)))
        # Half the size: each pixel the average of its four, transparent ones not counted.
        _, _, small = png_pixels(read(icon_png.target(16)))
        for y in range(16):
            for x in range(16):
                four = [icon[2 * y + dy][2 * x + dx] for dy in (0, 1) for dx in (0, 1)]
                opaque = [p for p in four if p[3]]
                expected = (0, 0, 0, 0) if not opaque else tuple(
                    round(sum(p[i] for p in opaque) / len(opaque)) for i in range(3)) + (round(255 * len(opaque) / 4),)
                self.assertLessEqual(max(abs(a - b) for a, b in zip(small[y][x], expected)), 1, (x, y))
        _, _, middle = png_pixels(read(icon_png.target(48)))
        self.assertEqual((len(middle), len(middle[0])), (48, 48))

    def test_the_svg_draws_every_opaque_pixel_as_a_square(self):
        width, height, icon = icon_png.icon_pixels(read(icon_png.SOURCE))
        root = ElementTree.fromstring(read(icon_png.target(None)))
        self.assertEqual(root.get('viewBox'), f'0 0 {width} {height}')
        painted = [[None] * width for _ in range(height)]
        for rect in root:
            x, y, w, h = (int(rect.get(k)) for k in ('x', 'y', 'width', 'height'))
            colour = bytes.fromhex(rect.get('fill')[1:])
            for yy in range(y, y + h):
                for xx in range(x, x + w):
                    self.assertIsNone(painted[yy][xx], 'a pixel painted twice')
                    painted[yy][xx] = tuple(colour) + (255,)
        self.assertEqual([[p if p[3] else None for p in row] for row in icon], painted)

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
