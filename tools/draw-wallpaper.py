#!/usr/bin/env python3
"""Draw the main window's wallpaper and write it into the window's form description.

The picture is a 128 x 64 tile of interlocking three-armed grey stones with dark joints.
Every stone has the same shape: a body with three rounded arms, one reaching up and two
reaching down to the sides, each into the notch between two arms of a neighbour. The stones
sit on a lattice that repeats every 128 pixels across and 64 down, and every distance is
measured to the nearest copy of a stone, so tiles placed edge to edge join without a seam.
The faces are shaded as if lit from the top left.

The result is a 16-colour BMP file (the 16 greys below, in that order), stored as
MDIWallpaper1's "Bitmap.Data" in resources/forms/TMainForm.form: a 4-byte little-endian
length followed by the file, as hex digits.

Run from the repository root: python3 tools/draw-wallpaper.py
"""

import math
import re
import struct

WIDTH, HEIGHT = 128, 64
GREYS = [0, 12, 53, 106, 136, 148, 156, 165, 173, 181, 189, 202, 214, 222, 235, 251]

FORM = 'resources/forms/TMainForm.form'

# The stones: four columns 32 pixels apart, two stones to a column, every other column half
# a stone lower. Each stone's arms point at three of its six neighbours.
CENTRES = [(16 + 32 * c, 16 + 32 * r + 16 * (c % 2)) for c in range(4) for r in range(2)]
ARMS = [(0.0, -32.0), (-32.0, 16.0), (32.0, 16.0)]
# How far an arm reaches toward the neighbour it points at.
REACH = 0.56
# The brightness of each stone's face, so that neighbours differ.
FACES = [176, 158, 188, 166, 150, 182, 162, 194]

JOINT = 2.4  # width of a joint, pixels
BEVEL = 4.0  # width of the rounded rim of a stone, pixels
LIGHT = 160.0  # how strongly a slope toward or away from the light changes its grey


def skeleton_distances(px, py):
    """(distance, stone, copy) to the nearest skeleton of every copy of every stone."""
    found = []
    for index, (cx, cy) in enumerate(CENTRES):
        for ox in (-WIDTH, 0, WIDTH):
            for oy in (-HEIGHT, 0, HEIGHT):
                sx, sy = cx + ox, cy + oy
                if abs(px - sx) > 56 or abs(py - sy) > 56:
                    continue
                best = None
                for ax, ay in ARMS:
                    vx, vy = ax * REACH, ay * REACH
                    t = ((px - sx) * vx + (py - sy) * vy) / (vx * vx + vy * vy)
                    t = min(1.0, max(0.0, t))
                    dx, dy = px - sx - t * vx, py - sy - t * vy
                    d = dx * dx + dy * dy
                    if best is None or d < best:
                        best = d
                found.append((math.sqrt(best), index, (ox, oy)))
    found.sort()
    return found


def texture(x, y):
    """Fine grain of the stone, -1 to 1, from the pixel's place in the tile alone."""
    h = (x * 73856093) ^ (y * 19349663) ^ 0x5BD1E995
    h = (h ^ (h >> 13)) * 0x2F3B1C45 & 0xFFFFFFFF
    h ^= h >> 16
    return (h & 0xFFFF) / 32767.5 - 1.0


def heights():
    """Per pixel: the height of the stone's face (0 in a joint, 1 inside) and the stone."""
    height = [[0.0] * WIDTH for _ in range(HEIGHT)]
    stone = [[0] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(WIDTH):
            found = skeleton_distances(x + 0.5, y + 0.5)
            d1, index, copy = found[0]
            d2 = next(d for d, i, c in found if (i, c) != (index, copy))
            # Half the difference is about the distance to the edge between the two stones.
            edge = (d2 - d1) / 2 - JOINT / 2
            stone[y][x] = index
            if edge <= 0:
                height[y][x] = 0.0
            else:
                t = min(1.0, edge / BEVEL)
                height[y][x] = math.sqrt(1.0 - (1.0 - t) * (1.0 - t))
    return height, stone


def nearest_face_grey(value):
    """The grey of a stone's face nearest to value; the darkest three are the joints' alone."""
    return min(range(3, len(GREYS)), key=lambda i: (abs(GREYS[i] - value), i))


def draw():
    """The picture as rows of palette indexes, top row first."""
    height, stone = heights()
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            h = height[y][x]
            if h == 0.0:
                # The joint: darkest in its middle, where the stones are farthest away.
                row.append(1 if all(height[(y + dy) % HEIGHT][(x + dx) % WIDTH] == 0.0
                                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))) else 2)
                continue
            # The slope of the face, across the tile's edges as within it.
            sx = (height[y][(x + 1) % WIDTH] - height[y][(x - 1) % WIDTH]) / 2
            sy = (height[(y + 1) % HEIGHT][x] - height[(y - 1) % HEIGHT][x]) / 2
            # Light from the top left: a face rising toward the bottom right is lit.
            value = FACES[stone[y][x]] + LIGHT * (sx + sy) + 7 * texture(x, y)
            row.append(nearest_face_grey(value))
        rows.append(row)
    return rows


def bmp(rows):
    """A 16-colour BMP file of the picture, bottom row first."""
    pixels = b''.join(
        bytes(row[x] << 4 | row[x + 1] for x in range(0, WIDTH, 2)) for row in reversed(rows))
    palette = b''.join(bytes((g, g, g, 0)) for g in GREYS)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 4, 0, len(pixels), 0, 0, 16, 16)
    return header + info + palette + pixels


def write_into_form(data):
    """Replaces MDIWallpaper1's Bitmap.Data in the form description."""
    with open(FORM, encoding='utf-8', newline='') as f:
        text = f.read()
    digits = data.hex().upper()
    lines = [digits[i:i + 64] for i in range(0, len(digits), 64)]
    value = '{\n' + '\n'.join('      ' + line for line in lines) + '}'
    pattern = re.compile(r'(object MDIWallpaper1: TMDIWallpaper\n(?:    .*\n)*?    Bitmap\.Data = )\{[^}]*\}')
    text, count = pattern.subn(lambda m: m.group(1) + value, text)
    if count != 1:
        raise SystemExit(FORM + ' has no MDIWallpaper1 with a Bitmap.Data property')
    with open(FORM, 'w', encoding='utf-8', newline='') as f:
        f.write(text)


def main():
    picture = bmp(draw())
    write_into_form(struct.pack('<I', len(picture)) + picture)


if __name__ == '__main__':
    main()
