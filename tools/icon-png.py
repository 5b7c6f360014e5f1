#!/usr/bin/env python3
"""Convert the application icon (resources/MAINICON.ico, one 32 x 32 16-colour image) into the
icons that desktops show for the installed program, in the freedesktop.org icon theme's layout
under resources/desktop/icons/: PNGs of 16, 32, 48, 64 and 128 pixels, and a scalable SVG. The
32-pixel PNG holds the icon's own pixels, transparent where its mask says so; the other sizes
are the icon resampled, each new pixel the average of the icon's pixels it covers (by area,
weighted by opacity), so the larger ones keep its square pixels sharp; the SVG draws each
pixel as a square.

Run from the repository root: python3 tools/icon-png.py
"""

import os
import struct
import sys
import zlib

SOURCE = 'resources/MAINICON.ico'
THEME = 'resources/desktop/icons/hicolor'
SIZES = (16, 32, 48, 64, 128)


def target(size):
    """The file of one size, as the theme lays it out; None stands for the scalable one."""
    if size is None:
        return f'{THEME}/scalable/apps/tabrix.svg'
    return f'{THEME}/{size}x{size}/apps/tabrix.png'


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


def coverage(source, size):
    """For each of size target pixels along one axis: the source pixels it covers, with the
    length of each overlap, in target pixels."""
    result = []
    for t in range(size):
        start, end = t * source / size, (t + 1) * source / size
        cells = []
        s = int(start)
        while s < end:
            overlap = min(end, s + 1) - max(start, s)
            if overlap > 1e-9:
                cells.append((s, overlap * size / source))
            s += 1
        result.append(cells)
    return result


def resample(width, height, rows, size):
    """The picture scaled to size x size by area averaging, colours weighted by opacity."""
    across, down = coverage(width, size), coverage(height, size)
    out = []
    for cells_y in down:
        row = []
        for cells_x in across:
            r = g = b = a = 0.0
            for y, wy in cells_y:
                for x, wx in cells_x:
                    pr, pg, pb, pa = rows[y][x]
                    weight = wx * wy * pa
                    r, g, b, a = r + pr * weight, g + pg * weight, b + pb * weight, a + weight
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), round(a)))
        out.append(row)
    return size, size, out


def svg(width, height, rows):
    """An SVG that draws each opaque pixel as a unit square, runs of one colour in a row as one
    rectangle."""
    rects = []
    for y, row in enumerate(rows):
        x = 0
        while x < width:
            pixel = row[x]
            end = x + 1
            while end < width and row[end] == pixel:
                end += 1
            if pixel[3]:
                colour = '#%02x%02x%02x' % pixel[:3]
                rects.append(f'<rect x="{x}" y="{y}" width="{end - x}" height="1" fill="{colour}"/>')
            x = end
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}" shape-rendering="crispEdges">\n' + '\n'.join(rects) +
            '\n</svg>\n').encode()


def drawings(icon):
    """Each target file and its bytes, drawn from the bytes of the icon file."""
    width, height, rows = icon_pixels(icon)
    files = {target(None): svg(width, height, rows)}
    for size in SIZES:
        files[target(size)] = png(*(width, height, rows) if size == width else resample(width, height, rows, size))
    return files


def main():
    with open(SOURCE, 'rb') as f:
        icon = f.read()
    for path, data in drawings(icon).items():
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    sys.exit(main())
