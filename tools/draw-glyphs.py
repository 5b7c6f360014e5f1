#!/usr/bin/env python3
"""Draw the tool-button glyphs and the application icon as 16-colour bitmaps.

Run from the repository root: python3 tools/draw-glyphs.py
"""

import os
import struct

# The standard 16-colour palette, in index order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# One letter per palette index; '.' is olive, the transparent background.
INK = {
    'k': 0, 'm': 1, 'g': 2, '.': 3, 'n': 4, 'p': 5, 't': 6, 's': 7,
    'd': 8, 'r': 9, 'l': 10, 'y': 11, 'b': 12, 'f': 13, 'a': 14, 'w': 15,
}
OLIVE, GREY, WHITE = 3, 8, 15

GLYPHS = {
    'open': """
        ....................
        ....................
        ....................
        ..kkkk..............
        .kywwyk.............
        .kyyyyykkkkkkkk.....
        .kyyyyyyyyyyyyk.....
        .kyyyyyyyyyyyyk.....
        .kyyyyyyyyyyyyk.....
        .kyyykkkkkkkkkkkkkk.
        .kyyykwwwwwwwwwwwk..
        .kyykyyyyyyyyyyyyk..
        .kyykyyyyyyyyyyyk...
        .kykyyyyyyyyyyyyk...
        .kykyyyyyyyyyyyk....
        .kkyyyyyyyyyyyyk....
        .kkkkkkkkkkkkkkk....
        ....................
        ....................
        ....................
    """,
    'save': """
        ....................
        .kkkkkkkkkkkkkkkkkk.
        .knnwwwwwwwwwwwwnnk.
        .knnwwwwwwwwwwwwnnk.
        .knnwddddddddddwnnk.
        .knnwwwwwwwwwwwwnnk.
        .knnwddddddddddwnnk.
        .knnwwwwwwwwwwwwnnk.
        .knnwwwwwwwwwwwwnnk.
        .knnnnnnnnnnnnnnnnk.
        .knnnnnnnnnnnnnnnnk.
        .knnnnssssssssnnnnk.
        .knnnnsnnnsssssnnnk.
        .knnnnsnnnsssssnnnk.
        .knnnnsnnnsssssnnnk.
        .knnnnsnnnsssssnnnk.
        .knnnnsssssssssnnnk.
        ..kkkkkkkkkkkkkkkkk.
        ....................
        ....................
    """,
    'cut': """
        ....................
        ....ks.......sk.....
        ....ks.......sk.....
        .....ks.....sk......
        .....ks.....sk......
        ......ks...sk.......
        ......ks...sk.......
        .......ks.sk........
        ........kkk.........
        ........kdk.........
        .......kkkkk........
        ......kk...kk.......
        ...kkkk.....kkkk....
        ..kk..kk...kk..kk...
        .kk....k...k....kk..
        .k.....k...k.....k..
        .kk...kk...kk...kk..
        ..kk.kk.....kk.kk...
        ...kkk.......kkk....
        ....................
    """,
    'copy': """
        ....................
        .kkkkkkkk...........
        .kwwwwwwkk..........
        .kwwwwwwkwk.........
        .kwdddddkkkk........
        .kwwwwwwwwwk........
        .kwddddkkkkkkkk.....
        .kwwwwwkwwwwwwkk....
        .kwddddkwwwwwwkwk...
        .kwwwwwkwdddddkkkk..
        .kwddddkwwwwwwwwwk..
        .kwwwwwkwddddddddk..
        .kkkkkkkwwwwwwwwwk..
        .......kwddddddddk..
        .......kwwwwwwwwwk..
        .......kwddddddddk..
        .......kwwwwwwwwwk..
        .......kwwwwwwwwwk..
        .......kkkkkkkkkkk..
        ....................
    """,
    'paste': """
        .....kkkkkkkk.......
        .kkkkkswwwwskkkkk...
        .kmmkssssssssskmmk..
        .kmmmkkkkkkkkkmmmk..
        .kmmmmmmmmmmmmmmmk..
        .kmmmmmmmmmmmmmmmk..
        .kmmmmmmkkkkkkkkkkk.
        .kmmmmmmkwwwwwwwwwk.
        .kmmmmmmkwddddddwwk.
        .kmmmmmmkwwwwwwwwwk.
        .kmmmmmmkwdddddddwk.
        .kmmmmmmkwwwwwwwwwk.
        .kmmmmmmkwddddddwwk.
        .kmmmmmmkwwwwwwwwwk.
        .kmmmmmmkwdddddddwk.
        .kmmmmmmkwwwwwwwwwk.
        .kmmmmmmkwwwwwwwwwk.
        .kkkkkkkkwwwwwwwwwk.
        ........kkkkkkkkkkk.
        ....................
    """,
    'exit': """
        ....................
        ......kkkkkkkkkkkk..
        ....kkkaaaaaaaaaak..
        ..kkmmkaaaaaaaaaak..
        ..kmmmkaaaaaaaaaak..
        ..kmmmkaaaaaaaaaak..
        ..kmmmkaaaaaaaaaak..
        ..kmmmkaaaaaaaaaak..
        ..kmmmkaaaaaaaaaak..
        ..kmymkaaaaaaaaaak..
        ..kmmmkaaaaaaaaaak..
        ..kmmmkaaaaaaaaaak..
        ..kmmmkllllllllllk..
        ..kmmmkllllllllllk..
        ..kmmmkllllllllllk..
        ..kmmmkllllllllllk..
        ..kmmmkllllllllllk..
        ..kmmmkkkkkkkkkkkk..
        ..kkkkk.............
        ....................
    """,
}

ICON = """
    ................................
    ..kkkkkkkkkkkkkkk...............
    ..kwwwwwwwwwwwwwkk..............
    ..kwwwwwwwwwwwwwksk.............
    ..kwwwwwwwwwwwwwkssk............
    ..kwwnnnnnnnnnnwksssk...........
    ..kwwwwwwwwwwwwwkssssk..........
    ..kwwwwwwwwwwwwwkkkkkkk.........
    ..kwwnnnnnnnnnnnnnnnwwk.........
    ..kwwwwwwwwwwwwwwwwwwwk.........
    ..kwwwwwwwwwwwwwkkkkkwk.........
    ..kwwnnnnnnnnnkkkssskkk.........
    ..kwwwwwwwwwwkkssaaasskk........
    ..kwwwwwwwwwkkswwaaaaaskk.......
    ..kwwnnnnnnnksnnnnaaaaask.......
    ..kwwwwwwwwkksaaaaaaaaaskk......
    ..kwwwwwwwwksaaaaaaaaaaask......
    ..kwwnnnnnnksnnnnnnnnaaask......
    ..kwwwwwwwwksaaaaaaaaaaask......
    ..kwwwwwwwwkksaaaaaaaaaskk......
    ..kwwnnnnnnnksnnnnnaaaask.......
    ..kwwwwwwwwwkksaaaaaaaskk.......
    ..kwwwwwwwwwwkkssaaasskkmk......
    ..kwwnnnnnnnnnkkkssskkkmmmk.....
    ..kwwwwwwwwwwwwwkkkkkwkkmmmk....
    ..kwwwwwwwwwwwwwwwwwwwk.kmmmk...
    ..kwwnnnnnnnnnnwwwwwwwk..kmmmk..
    ..kwwwwwwwwwwwwwwwwwwwk...kmmmk.
    ..kwwwwwwwwwwwwwwwwwwwk....kmmk.
    ..kkkkkkkkkkkkkkkkkkkkk.....kk..
    ................................
    ................................
"""


def parse(grid, size):
    """Turn a picture written as rows of letters into rows of palette indices."""
    rows = [[INK[c] for c in line.strip()] for line in grid.strip().splitlines()]
    assert len(rows) == size and all(len(r) == size for r in rows), grid
    return rows


def is_dark(index):
    r, g, b = PALETTE[index]
    return index != OLIVE and 0.299 * r + 0.587 * g + 0.114 * b < 160


def disabled(rows):
    """The greyed look: dark parts in grey over a white copy shifted down-right."""
    size = len(rows)
    out = [[OLIVE] * size for _ in range(size)]
    for y in range(size - 1):
        for x in range(size - 1):
            if is_dark(rows[y][x]):
                out[y + 1][x + 1] = WHITE
    for y in range(size):
        for x in range(size):
            if is_dark(rows[y][x]):
                out[y][x] = GREY
    return out


def palette_bytes():
    return b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)


def pixel_bytes(rows):
    """4-bit pixels, bottom row first, each row padded to four bytes."""
    data = b''
    for row in reversed(rows):
        line = bytes(row[i] << 4 | row[i + 1] for i in range(0, len(row), 2))
        data += line + b'\0' * (-len(line) % 4)
    return data


def mask_bytes(rows):
    """1-bit AND mask, bottom row first: set where the picture is transparent."""
    data = b''
    for row in reversed(rows):
        bits = ''.join('1' if i == OLIVE else '0' for i in row)
        line = int(bits, 2).to_bytes(len(bits) // 8, 'big')
        data += line + b'\0' * (-len(line) % 4)
    return data


def info_header(width, height, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, image_size, 0, 0, 0, 0)


def bmp(rows):
    width, height = len(rows[0]), len(rows)
    pixels = pixel_bytes(rows)
    offset = 14 + 40 + 16 * 4
    return (struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
            + info_header(width, height, len(pixels)) + palette_bytes() + pixels)


def ico(rows):
    size = len(rows)
    # Transparent pixels are black in the colour image, so the mask shows them through.
    colour = [[0 if i == OLIVE else i for i in row] for row in rows]
    image = pixel_bytes(colour) + mask_bytes(rows)
    body = info_header(size, size * 2, len(image)) + palette_bytes() + image
    return (struct.pack('<HHH', 0, 1, 1)
            + struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(body), 22) + body)


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def main():
    os.makedirs('resources/glyphs', exist_ok=True)
    for name, grid in GLYPHS.items():
        normal = parse(grid, 20)
        assert normal[-1][0] == OLIVE
        pair = [a + b for a, b in zip(normal, disabled(normal))]
        write(f'resources/glyphs/{name}.bmp', bmp(pair))
    write('resources/MAINICON.ico', ico(parse(ICON, 32)))


if __name__ == '__main__':
    main()
