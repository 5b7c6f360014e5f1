#!/usr/bin/env python3
"""Convert the application icon (resources/MAINICON.ico, one 32 x 32 16-colour image) into the
PNG that desktops show for the installed program (resources/desktop/tabrix.png): the same
pixels, transparent where the icon's mask says so.

Run from the repository root: python3 tools/icon-png.py
"""

import os
import struct
import sys
import zlib

SOURCE = 'resources/MAINICON.ico'
TARGET = 'resources/desktop/tabrix.png'


def icon_pixels(data):
    """The first image of an icon file: (width, height, rows of (r, g, b, a), top row first).
    Only uncompressed images of 1, 4 or 8 bits a pixel with a colour table are read."""
    reserved, kind, count = struct.unpack('<HHH', data[:6])
    if reserved != 0 or kind != 1 or count < 1:
        raise ValueError('not an icon file')
    _, _, _, _, _, _, size, offset = struct.unpack('<BBBBHHII', data[6:22])
    image = data[offset:offset + size]
    header, width, double_height, _, bits, compression = struct.unpack('<IiiHHI', image[:20])
    if header != 40 or compression != 0 or bits not in (1, 4, 8):
        raise ValueError('an icon image of a kind this tool does not read')
    height = double_height // 2
    colours = struct.unpack('<I', image[32:36])[0] or 1 << bits
    table = image[header:header + 4 * colours]
    palette = [(table[4 * i + 2], table[4 * i + 1], table[4 * i]) for i in range(colours)]
    # The colour bits, then the mask (1: transparent), each row padded to four bytes, bottom
    # row first.
    colour_stride = (width * bits + 31) // 32 * 4
    mask_stride = (width + 31) // 32 * 4
    colour_bits = image[header + 4 * colours:]
    mask_bits = colour_bits[colour_stride * height:]
    rows = []
    for y in range(height):
        colour_row = colour_bits[(height - 1 - y) * colour_stride:]
        mask_row = mask_bits[(height - 1 - y) * mask_stride:]
        row = []
        for x in range(width):
            bit = x * bits
            index = (colour_row[bit // 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1)
            transparent = (mask_row[x // 8] >> (7 - x % 8)) & 1
            row.append(palette[index] + (0 if transparent else 255,))
        rows.append(row)
    return width, height, rows


def png(width, height, rows):
    """An 8-bit RGBA PNG of the rows."""

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    raw = b''.join(b'\0' + bytes(v for pixel in row for v in pixel) for row in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    with open(SOURCE, 'rb') as f:
        data = png(*icon_pixels(f.read()))
    os.makedirs(os.path.dirname(TARGET), exist_ok=True)
    with open(TARGET, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    sys.exit(main())
