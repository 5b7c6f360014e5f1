#!/usr/bin/env python3
"""Draw the 64 LED pictures: 16 lamp shapes, each with a plain, raised, sunken and flat rim.

Each picture is a 13 x 13, 16-colour device-independent bitmap without file header, the
form the LED control loads by name. Only four colours occur, each with its role when the
control paints: olive outside the lamp, silver for the lamp surface (recoloured to the
lamp's colour), grey for outline and shadow, white for the glint and the lit rim.

Run from the repository root: python3 tools/draw-leds.py
"""

import os
import struct

SIZE = 13

# The standard 16-colour palette, in index order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
OLIVE, SILVER, GREY, WHITE = 3, 7, 8, 15
INK = {'-': OLIVE, 'S': SILVER, 'G': GREY, 'W': WHITE}

# What each pixel of a shape is, whatever the rim.
OUT, LIGHT, DARK, UPPER_GLINT, LOWER_GLINT, SURFACE = range(6)

# The raised square and disc, drawn by hand; the other shapes follow the same rules.
SQUARE_RAISED = """
    WWWWWWWWWWWWW
    WGSGSGSGSGSGG
    WSWWWWGSGSGSG
    WGWWWGSGSGSGG
    WSWWGSGSGSGSG
    WGWGSGSGSGSGG
    WSGSGSGSGSGSG
    WGSGSGSGSGSGG
    WSGSGSGSGSGSG
    WGSGSGSGSGSGG
    WSGSGSGSGSGSG
    WGSGSGSGSGSGG
    GGGGGGGGGGGGG
"""

DISC_RAISED = """
    ----WWWWW----
    --WWGSGSGWW--
    -WSGSGSGSGSG-
    -WGSWWWSGSGG-
    WGSWWWSGSGSGG
    WSGWWSGSGSGSG
    WGSWSGSGSGSGG
    WSGSGSGSGSGSG
    WGSGSGSGSGSGG
    -WGSGSGSGSGG-
    -GSGSGSGSGSG-
    --GGGSGSGGG--
    ----GGGGGG---
"""

# The five-pointed star, drawn by hand: at this size a star drawn from its outline comes
# out with legs one pixel thin.
STAR = """
    ------#------
    ------#------
    -----###-----
    -----###-----
    ----#####----
    #############
    -###########-
    --#########--
    ---#######---
    ---#######---
    --####-####--
    --###---###--
    -##-------##-
"""

# Style suffixes of the resource names.
STYLES = ['', '3DUP', '3DDWN', 'FLAT']

NEIGHBOURS = [(0, -1), (-1, 0), (0, 1), (1, 0)]


def parse(grid):
    rows = [[INK[c] for c in line.strip()] for line in grid.strip().splitlines()]
    assert len(rows) == SIZE and all(len(r) == SIZE for r in rows)
    return rows


def inside(mask, x, y):
    return 0 <= x < SIZE and 0 <= y < SIZE and mask[y][x]


def on_edge(mask, x, y):
    return any(not inside(mask, x + dx, y + dy) for dx, dy in NEIGHBOURS)


def picture_mask(rows):
    return [[i != OLIVE for i in row] for row in rows]


def region_mask(test):
    """The pixels whose centres pass the test."""
    return [[test(x + 0.5, y + 0.5) for x in range(SIZE)] for y in range(SIZE)]


def polygon(points):
    def test(px, py):
        hit = False
        for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
            if (y1 > py) != (y2 > py) and px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
        return hit
    return region_mask(test)


def mirrored(mask):
    return [list(reversed(row)) for row in mask]


def flipped(mask):
    return [list(row) for row in reversed(mask)]


def transposed(mask):
    return [[mask[x][y] for x in range(SIZE)] for y in range(SIZE)]


def moon_left(disc):
    """The disc with a bite taken out of the middle of its right side."""
    bite = region_mask(lambda x, y: (x - 13.5) ** 2 + (y - 6.5) ** 2 <= 4.6 ** 2)
    return [[disc[y][x] and not bite[y][x] for x in range(SIZE)] for y in range(SIZE)]


def rim_side(mask, x, y):
    """LIGHT for an outline pixel facing up or left, DARK for one facing down or right."""
    nx = sum(dx for dx, dy in NEIGHBOURS if not inside(mask, x + dx, y + dy))
    ny = sum(dy for dx, dy in NEIGHBOURS if not inside(mask, x + dx, y + dy))
    facing = nx + ny if nx + ny else ny
    if not facing:
        facing = x + y - (SIZE - 1)
    return LIGHT if facing < 0 else DARK


def glint(roles, upper):
    """A small spot towards the upper left (or lower right) of the surface: the surface pixels
    nearest to the point a quarter of the way in, keeping a pixel clear of the outline."""
    def clear(x, y):
        return all(roles[y + dy][x + dx] not in (LIGHT, DARK) for dy in (-1, 0, 1) for dx in (-1, 0, 1))
    inner = [(x, y) for y in range(SIZE) for x in range(SIZE) if roles[y][x] == SURFACE and clear(x, y)]
    if not inner:
        return []
    left, right = min(x for x, _ in inner), max(x for x, _ in inner)
    top, bottom = min(y for _, y in inner), max(y for _, y in inner)
    share = 0.25 if upper else 0.75
    px, py = left + (right - left) * share, top + (bottom - top) * share
    count = max(1, min(6, len(inner) // 6))
    return sorted(inner, key=lambda p: ((p[0] - px) ** 2 + (p[1] - py) ** 2, p[1], p[0]))[:count]


def roles_of_mask(mask):
    roles = [[OUT] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if mask[y][x]:
                roles[y][x] = rim_side(mask, x, y) if on_edge(mask, x, y) else SURFACE
    upper = glint(roles, upper=True)
    lower = glint(roles, upper=False)
    for x, y in upper:
        roles[y][x] = UPPER_GLINT
    for x, y in lower:
        roles[y][x] = LOWER_GLINT
    return roles


def roles_of_picture(rows):
    """The roles of a hand-drawn raised picture: its white outline pixels are the lit rim,
    white inside is the glint, and grey inside where the surface would be silver is shadow."""
    mask = picture_mask(rows)
    first = next(x + y for y in range(SIZE) for x in range(SIZE) if mask[y][x] and not on_edge(mask, x, y))
    roles = [[OUT] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if not mask[y][x]:
                continue
            if on_edge(mask, x, y):
                roles[y][x] = LIGHT if rows[y][x] == WHITE else DARK
            elif rows[y][x] == WHITE:
                roles[y][x] = UPPER_GLINT
            elif rows[y][x] == GREY and (x + y - first) % 2:
                roles[y][x] = DARK
            else:
                roles[y][x] = SURFACE
    # The sunken picture's glint is the raised one's turned about the centre.
    for y in range(SIZE):
        for x in range(SIZE):
            if roles[y][x] == UPPER_GLINT:
                assert roles[SIZE - 1 - y][SIZE - 1 - x] == SURFACE
                roles[SIZE - 1 - y][SIZE - 1 - x] = LOWER_GLINT
    return roles


def render(roles, style):
    """The picture of one rim style. Silver and grey alternate over the surface; the first
    surface pixel, reading from the top left, is grey."""
    first = next(x + y for y in range(SIZE) for x in range(SIZE) if roles[y][x] not in (OUT, LIGHT, DARK))
    light = WHITE if style == '3DUP' else GREY
    dark = WHITE if style == '3DDWN' else GREY
    shine = {UPPER_GLINT: style in ('', '3DUP'), LOWER_GLINT: style == '3DDWN'}
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            role = roles[y][x]
            if role == OUT:
                row.append(OLIVE)
            elif role == LIGHT:
                row.append(light)
            elif role == DARK:
                row.append(dark)
            elif shine.get(role):
                row.append(WHITE)
            else:
                row.append(GREY if (x + y - first) % 2 == 0 else SILVER)
        rows.append(row)
    return rows


def shapes():
    """Base resource name and pixel roles of every shape, in the order of the lamp types."""
    disc = picture_mask(parse(DISC_RAISED))
    triangle_up = polygon([(6.5, 0.0), (13.0, 13.0), (0.0, 13.0)])
    triangle_left = transposed(triangle_up)
    parallel_back = polygon([(0.0, 1.5), (8.5, 1.5), (13.0, 11.5), (4.5, 11.5)])
    ellipse_hrz = region_mask(lambda x, y: ((x - 6.5) / 6.5) ** 2 + ((y - 6.5) / 4.5) ** 2 <= 1.0)
    rectangle_hrz = region_mask(lambda x, y: 3.0 <= y <= 10.0)
    return [
        ('ZLDMDLED', roles_of_mask(region_mask(lambda x, y: abs(x - 6.5) + abs(y - 6.5) <= 6.5))),
        ('ZLLPSLEDHRZ', roles_of_mask(ellipse_hrz)),
        ('ZLLPSLEDVRT', roles_of_mask(transposed(ellipse_hrz))),
        ('ZLMONLEDLEFT', roles_of_mask(moon_left(disc))),
        ('ZLMONLEDRIGHT', roles_of_mask(mirrored(moon_left(mirrored(disc))))),
        ('ZLPRLLEDBCK', roles_of_mask(parallel_back)),
        ('ZLPRLLEDFWT', roles_of_mask(mirrored(parallel_back))),
        ('ZLPNTLED', roles_of_mask([[c == '#' for c in line.strip()] for line in STAR.strip().splitlines()])),
        ('ZLRNDLED', roles_of_picture(parse(DISC_RAISED))),
        ('ZLRCTLEDHRZ', roles_of_mask(rectangle_hrz)),
        ('ZLRCTLEDVRT', roles_of_mask(transposed(rectangle_hrz))),
        ('ZLSQRLED', roles_of_picture(parse(SQUARE_RAISED))),
        ('ZLTRILEDDWN', roles_of_mask(flipped(triangle_up))),
        ('ZLTRILEDLEFT', roles_of_mask(triangle_left)),
        ('ZLTRILEDRIGHT', roles_of_mask(mirrored(triangle_left))),
        ('ZLTRILEDUP', roles_of_mask(triangle_up)),
    ]


def dib(rows):
    """The bitmap as a resource holds it: header, palette, 4-bit rows bottom row first."""
    pixels = b''
    for row in reversed(rows):
        padded = row + [0]
        line = bytes(padded[i] << 4 | padded[i + 1] for i in range(0, len(padded), 2))
        pixels += line + b'\0' * (-len(line) % 4)
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 4, 0, len(pixels), 0, 0, 0, 0)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    return header + palette + pixels


def main():
    os.makedirs('resources/leds', exist_ok=True)
    for base, roles in shapes():
        for style in STYLES:
            rows = render(roles, style)
            if style == '3DUP' and base == 'ZLSQRLED':
                assert rows == parse(SQUARE_RAISED)
            if style == '3DUP' and base == 'ZLRNDLED':
                assert rows == parse(DISC_RAISED)
            with open(f'resources/leds/{base}{style}.bmp', 'wb') as f:
                f.write(dib(rows))


if __name__ == '__main__':
    main()
