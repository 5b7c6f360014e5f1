#!/usr/bin/env python3
"""Draw the product banner of the about box: 588 x 118 pixels, 256 colours, as a BMP file.

A blue gradient carries the emblem (a settings sheet with a section header and three
key-value lines, under a magnifying glass) and the name "Tabrix" in white letters with a
soft shadow and an amber rule beneath. Everything is drawn in true colour with 4 x 4
samples a pixel, then reduced to a palette of 256 colours by median cut.

Run from the repository root: python3 tools/draw-banner.py
"""

import os
import struct

WIDTH, HEIGHT = 588, 118
SAMPLES = 4
PATH = 'resources/about/banner.bmp'

# Background gradient, left to right, and the colours of the drawing.
NAVY_LEFT, BLUE_RIGHT = (14, 34, 86), (24, 116, 172)
INK = (20, 50, 120)
AMBER = (246, 168, 36)
GOLD_DARK = (196, 120, 20)
STEEL = (128, 150, 184)
TEAL = (36, 140, 160)
SHADOW = (4, 12, 36)
WHITE = (255, 255, 255)


# Shapes: each is a test of a point and the box outside which it holds no point.

def rect(x0, y0, x1, y1):
    return (lambda x, y: x0 <= x < x1 and y0 <= y < y1), (x0, y0, x1, y1)


def disc(cx, cy, r):
    return (lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r), (cx - r, cy - r, cx + r, cy + r)


def ring(cx, cy, outer, inner, clip=lambda x, y: True):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        return inner * inner <= d <= outer * outer and clip(x, y)
    return inside, (cx - outer, cy - outer, cx + outer, cy + outer)


def band(x0, y0, x1, y1, half):
    """A stroke of horizontal half-width half along the line from (x0, y0) to (x1, y1),
    cut square at both ends' heights."""
    def inside(x, y):
        if not min(y0, y1) <= y <= max(y0, y1):
            return False
        cx = x0 + (x1 - x0) * (y - y0) / (y1 - y0)
        return abs(x - cx) <= half
    return inside, (min(x0, x1) - half, min(y0, y1), max(x0, x1) + half, max(y0, y1))


def segment(x0, y0, x1, y1, r):
    """A stroke of radius r with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= r * r
    return inside, (min(x0, x1) - r, min(y0, y1) - r, max(x0, x1) + r, max(y0, y1) + r)


def polygon(points):
    def inside(x, y):
        hit = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return inside, (min(xs), min(ys), max(xs), max(ys))


def coverage(shapes):
    """The share of each pixel's samples inside any of the shapes, as rows of floats."""
    cover = [[0.0] * WIDTH for _ in range(HEIGHT)]
    offsets = [(i + 0.5) / SAMPLES for i in range(SAMPLES)]
    hits = {}
    for inside, (x0, y0, x1, y1) in shapes:
        for py in range(max(0, int(y0) - 1), min(HEIGHT, int(y1) + 2)):
            for px in range(max(0, int(x0) - 1), min(WIDTH, int(x1) + 2)):
                samples = hits.setdefault((px, py), set())
                for j, oy in enumerate(offsets):
                    for i, ox in enumerate(offsets):
                        if (i, j) not in samples and inside(px + ox, py + oy):
                            samples.add((i, j))
    for (px, py), samples in hits.items():
        cover[py][px] = len(samples) / (SAMPLES * SAMPLES)
    return cover


def shifted_blur(cover, dx, dy, radius):
    """The coverage moved by (dx, dy) and softened by a box blur of the given radius."""
    moved = [[0.0] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(WIDTH):
            sx, sy = x - dx, y - dy
            if 0 <= sx < WIDTH and 0 <= sy < HEIGHT:
                moved[y][x] = cover[sy][sx]
    size = 2 * radius + 1
    rows = [[sum(row[max(0, x - radius):x + radius + 1]) / size for x in range(WIDTH)] for row in moved]
    return [[sum(rows[yy][x] for yy in range(max(0, y - radius), min(HEIGHT, y + radius + 1))) / size
             for x in range(WIDTH)] for y in range(HEIGHT)]


def mix(a, b, t):
    return tuple(a[k] + (b[k] - a[k]) * t for k in range(3))


def paint(image, cover, colour, alpha=1.0):
    """Lays a colour over the image where the coverage is; colour may vary by pixel."""
    for y in range(HEIGHT):
        for x in range(WIDTH):
            a = cover[y][x] * alpha
            if a > 0:
                image[y][x] = mix(image[y][x], colour(x, y) if callable(colour) else colour, a)


def background():
    image = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            base = mix(NAVY_LEFT, BLUE_RIGHT, x / (WIDTH - 1))
            # Lighter at the top, and a faint diagonal sheen across the middle.
            light = 1.10 - 0.24 * y / (HEIGHT - 1)
            sheen = max(0.0, 1.0 - abs(x + 0.7 * y - 330) / 120) * 0.07
            row.append(tuple(min(255.0, c * light + 255 * sheen) for c in base))
        image.append(row)
    return image


def watermark():
    """Large square brackets at the right, the mark of a settings file's section."""
    return [rect(488, 8, 500, 110), rect(488, 8, 516, 20), rect(488, 98, 516, 110),
            rect(562, 8, 574, 110), rect(546, 8, 574, 20), rect(546, 98, 574, 110)]


SHEET = [(24, 12), (76, 12), (96, 32), (96, 106), (24, 106)]
FOLD = [(76, 12), (76, 32), (96, 32)]


def sheet_contents():
    header = [rect(34, 24, 38, 38), rect(34, 24, 41, 27), rect(34, 35, 41, 38),
              rect(66, 24, 70, 38), rect(63, 24, 70, 27), rect(63, 35, 70, 38)]
    keys = [rect(34, 50 + 14 * i, 48 + 4 * (i % 2), 54 + 14 * i) for i in range(3)]
    equals = [rect(53, 49 + 14 * i, 58, 51 + 14 * i) for i in range(3)] + \
             [rect(53, 53 + 14 * i, 58, 55 + 14 * i) for i in range(3)]
    values = [rect(62, 50 + 14 * i, 86 - 8 * (i == 1), 54 + 14 * i) for i in range(3)]
    return header, [rect(43, 29, 61, 33)], keys + equals, values


LENS = (80, 82, 17)


def magnifier():
    cx, cy, r = LENS
    return disc(cx, cy, r - 6), ring(cx, cy, r, r - 6), segment(93, 95, 108, 110, 5)


def letters(x0, base, k):
    """The name in geometric letters: stroke, x-height and cap height scaled by k."""
    s, xh, cap, asc = 11 * k, 44 * k, 62 * k, 64 * k
    shapes = []
    # T
    shapes += [rect(x0, base - cap, x0 + 46 * k, base - cap + s), rect(x0 + 17.5 * k, base - cap, x0 + 28.5 * k, base)]
    # a: a round bowl with a stem at its right
    x = x0 + 42 * k
    r = xh / 2
    shapes += [ring(x + r, base - r, r, r - s), rect(x + 2 * r - s, base - xh, x + 2 * r, base)]
    # b: a tall stem with the same bowl
    x += 51 * k
    shapes += [rect(x, base - asc, x + s, base), ring(x + r, base - r, r, r - s)]
    # r: a stem with a shoulder, half a ring ending level with its centre
    x += 51 * k
    cx, cy, rr = x + 27 * k, base - 26 * k, 18 * k
    shapes += [rect(x, base - xh, x + s, base),
               ring(cx, cy, rr, rr - s, lambda px, py, cx=cx, cy=cy, x=x: py <= cy and px >= x + s / 2)]
    # i: a stem and its dot
    x += 51 * k
    shapes += [rect(x, base - xh, x + s, base), disc(x + s / 2, base - xh - 14 * k, 6.5 * k)]
    # x: two crossing strokes
    x += 17 * k
    half = 7.4 * k
    shapes += [band(x + half, base - xh, x + half + 40 * k, base, half),
               band(x + half + 40 * k, base - xh, x + half, base, half)]
    return shapes


def draw():
    image = background()
    paint(image, coverage(watermark()), WHITE, 0.07)

    sheet = coverage([polygon(SHEET)])
    paint(image, shifted_blur(sheet, 3, 4, 2), SHADOW, 0.45)
    paint(image, sheet, lambda x, y: mix((252, 253, 255), (206, 220, 238), (y - 12) / 94))
    paint(image, coverage([polygon(FOLD)]), (176, 194, 220))
    header, name, keys, values = sheet_contents()
    paint(image, coverage(header), INK)
    paint(image, coverage(name), AMBER)
    paint(image, coverage(keys), STEEL)
    paint(image, coverage(values), TEAL)

    glass, rim, handle = magnifier()
    paint(image, shifted_blur(coverage([rim, handle]), 2, 3, 2), SHADOW, 0.4)
    paint(image, coverage([glass]), (200, 230, 255), 0.35)
    paint(image, coverage([handle]), (44, 52, 76))
    cx, cy, r = LENS
    paint(image, coverage([rim]), lambda x, y: mix(AMBER, GOLD_DARK, max(0.0, min(1.0, (x + y - cx - cy + r) / (2 * r)))))

    name = coverage(letters(140, 90, 1.2))
    paint(image, shifted_blur(name, 3, 3, 2), SHADOW, 0.5)
    paint(image, name, lambda x, y: mix(WHITE, (200, 222, 250), (y - 13) / 77))
    paint(image, coverage([segment(144, 101, 456, 101, 2)]), AMBER)
    return [[tuple(int(c + 0.5) for c in p) for p in row] for row in image]


def median_cut(counts, size):
    """Splits the colours, weighted by their counts, into at most size boxes; returns the
    boxes' mean colours and each colour's box."""
    def describe(box):
        spans = [max(c[k] for c, _ in box) - min(c[k] for c, _ in box) for k in range(3)]
        channel = max(range(3), key=lambda k: spans[k])
        return spans[channel] * sum(n for _, n in box), channel, box

    boxes = [describe(sorted(counts.items()))]
    while len(boxes) < size:
        index = max(range(len(boxes)), key=lambda i: boxes[i][0])
        score, channel, box = boxes[index]
        if score == 0:
            break
        box = sorted(box, key=lambda item: (item[0][channel], item[0]))
        half, seen, cut = sum(n for _, n in box) / 2, 0, 1
        for cut, (_, n) in enumerate(box[:-1], 1):
            seen += n
            if seen >= half:
                break
        boxes[index:index + 1] = [describe(box[:cut]), describe(box[cut:])]

    palette, index_of = [], {}
    for i, (_, _, box) in enumerate(boxes):
        total = sum(n for _, n in box)
        palette.append(tuple(int(sum(c[k] * n for c, n in box) / total + 0.5) for k in range(3)))
        for c, _ in box:
            index_of[c] = i
    return palette, index_of


def bmp(image):
    counts = {}
    for row in image:
        for p in row:
            counts[p] = counts.get(p, 0) + 1
    palette, index_of = median_cut(counts, 256)
    palette += [(0, 0, 0)] * (256 - len(palette))
    stride = (WIDTH + 3) // 4 * 4
    pixels = b''.join(bytes(index_of[p] for p in row) + b'\0' * (stride - WIDTH) for row in reversed(image))
    offset = 14 + 40 + 256 * 4
    return (struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
            + struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
            + b''.join(bytes((b, g, r, 0)) for r, g, b in palette) + pixels)


def main():
    os.makedirs(os.path.dirname(PATH), exist_ok=True)
    with open(PATH, 'wb') as f:
        f.write(bmp(draw()))


if __name__ == '__main__':
    main()
