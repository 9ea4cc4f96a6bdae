#!/usr/bin/env python3
"""Draws the dialogs' bitmaps: the header band (2041), the progress dialog's picture (4007), the
failure page's error icon (3066) and the completion page's icon (3036).

Shapes are drawn from distance fields, so their edges are smooth without supersampling. Only the
standard library is used; the build runs this and the resource compiler takes the BMP files.

usage: draw.py OUTPUT_DIRECTORY | draw.py --banner FILE.bmp
"""

import math
import os
import struct
import sys

HEADER_SIZE = (750, 88)    # control 2040 at 144 pixels per inch; scaled down at lower densities
PICTURE_SIZE = (468, 180)  # control 4004 at 96 pixels per inch, drawn unscaled
ERROR_ICON_SIZE = 32       # shown unscaled, centred in control 3065 on the white body
COMPLETE_ICON_SIZE = 32    # shown unscaled, centred in control 3035 beside the heading

INK = (22, 66, 99)
DEEP = (18, 58, 92)
SEA = (36, 112, 150)
LEAF = (92, 168, 120)
SUN = (246, 196, 92)
WHITE = (255, 255, 255)
ALARM = (200, 38, 38)
GOOD = (46, 140, 84)
BAND = (231, 229, 213)     # the dialogs' background, behind the heading


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def coverage(distance):
    """How much of a pixel a shape covers whose edge is `distance` pixels away (negative inside)."""
    return max(0.0, min(1.0, 0.5 - distance))


class Canvas:
    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.pixels = [[fill(x, y) for x in range(width)] for y in range(height)]

    def paint(self, colour, distance, box=None, opacity=1.0):
        """Blends `colour` wherever the shape given by its distance function lies."""
        x0, y0, x1, y1 = box or (0, 0, self.width, self.height)
        for y in range(max(0, int(y0)), min(self.height, int(y1) + 1)):
            row = self.pixels[y]
            for x in range(max(0, int(x0)), min(self.width, int(x1) + 1)):
                alpha = coverage(distance(x + 0.5, y + 0.5)) * opacity
                if alpha > 0.0:
                    row[x] = mix(row[x], colour, alpha)

    def bmp(self):
        """A 24-bit bottom-up BMP file."""
        stride = (self.width * 3 + 3) & ~3
        rows = []
        for row in reversed(self.pixels):
            line = bytearray()
            for r, g, b in row:
                line += bytes((round(b), round(g), round(r)))
            line += bytes(stride - len(line))
            rows.append(bytes(line))
        image = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(image), 3780, 3780, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
        return header + info + image


def circle(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def segment(ax, ay, bx, by, width):
    """A stroke from a to b with round ends."""
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy

    def distance(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length)) if length else 0.0
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) - width / 2

    return distance


def arc(cx, cy, radius, start, end, width):
    """A stroke along a circle from angle `start` to `end` (degrees, counter-clockwise, y up)."""
    a0, a1 = math.radians(start), math.radians(end)

    def distance(x, y):
        angle = math.atan2(cy - y, x - cx) % (2 * math.pi)
        lo, hi = a0 % (2 * math.pi), a1 % (2 * math.pi)
        inside = lo <= angle <= hi if lo <= hi else angle >= lo or angle <= hi
        if inside:
            return abs(math.hypot(x - cx, y - cy) - radius) - width / 2
        ends = [(cx + radius * math.cos(a), cy - radius * math.sin(a)) for a in (a0, a1)]
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - width / 2

    return distance


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def rounded_square(x0, y0, size, radius):
    def distance(x, y):
        qx = abs(x - (x0 + size / 2)) - (size / 2 - radius)
        qy = abs(y - (y0 + size / 2)) - (size / 2 - radius)
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius

    return distance


def wave(base, amplitude, length, phase):
    """The area below a sine line."""
    return lambda x, y: (base + amplitude * math.sin(2 * math.pi * x / length + phase)) - y


def word_zarn(left, top, height, stroke):
    """The word "Zarn" in a plain geometric hand: lower-case x-height is 60 % of `height`."""
    h = height
    x_height = h * 0.6
    base = top + h
    mid = base - x_height
    r = x_height / 2
    shapes = []
    # Z
    w = h * 0.62
    shapes += [segment(left, top, left + w, top, stroke), segment(left + w, top, left, base, stroke),
               segment(left, base, left + w, base, stroke)]
    x = left + w + h * 0.28
    # a: a round bowl with a stem on its right
    shapes += [circle_stroke(x + r, base - r, r - stroke / 2, stroke), segment(x + 2 * r, mid, x + 2 * r, base, stroke)]
    x += 2 * r + h * 0.28
    # r: a stem and a shoulder
    shapes += [segment(x, mid, x, base, stroke), arc(x + r * 0.9, mid + r * 0.9, r * 0.9, 90, 180, stroke)]
    x += r * 1.5 + h * 0.2
    # n: a stem and an arch
    shapes += [segment(x, mid, x, base, stroke), arc(x + r, mid + r, r, 0, 180, stroke),
               segment(x + 2 * r, mid + r, x + 2 * r, base, stroke)]
    return union(*shapes), x + 2 * r


def circle_stroke(cx, cy, radius, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) - width / 2


def header():
    width, height = HEADER_SIZE
    canvas = Canvas(width, height, lambda x, y: mix(DEEP, SEA, x / width * 0.9 + y / height * 0.1))
    # Soft rings at the right, brighter towards the edge.
    for i, radius in enumerate((150, 118, 86)):
        canvas.paint(WHITE, circle_stroke(width - 40, height * 0.5, radius, 14), opacity=0.05 + 0.03 * i)
    canvas.paint(LEAF, circle(width - 40, height * 0.5, 30), opacity=0.55)
    canvas.paint(SUN, circle(width - 40, height * 0.5, 15), opacity=0.9)
    # The emblem: a white tile with a green Z.
    size = height - 28
    canvas.paint(WHITE, rounded_square(22, 14, size, 12), (20, 12, 24 + size, 16 + size))
    inset = size * 0.28
    z = union(segment(22 + inset, 14 + inset, 22 + size - inset, 14 + inset, 8),
              segment(22 + size - inset, 14 + inset, 22 + inset, 14 + size - inset, 8),
              segment(22 + inset, 14 + size - inset, 22 + size - inset, 14 + size - inset, 8))
    canvas.paint(SEA, z, (20, 12, 24 + size, 16 + size))
    # The word beside it.
    word, right = word_zarn(40 + size, 24, 40, 7)
    canvas.paint(WHITE, word, (36 + size, 16, right + 8, 72))
    return canvas


def picture():
    width, height = PICTURE_SIZE
    sky_top, sky_bottom = (214, 232, 240), (252, 252, 247)
    canvas = Canvas(width, height, lambda x, y: mix(sky_top, sky_bottom, y / height))
    canvas.paint(SUN, circle(width * 0.78, height * 0.34, 26))
    canvas.paint(WHITE, circle_stroke(width * 0.78, height * 0.34, 38, 3), opacity=0.8)
    # Three hills, far to near.
    canvas.paint(mix(SEA, sky_bottom, 0.55), wave(height * 0.62, 10, width * 0.9, 0.6))
    canvas.paint(mix(LEAF, sky_bottom, 0.25), wave(height * 0.72, 12, width * 0.7, 2.2))
    canvas.paint(mix(SEA, DEEP, 0.3), wave(height * 0.86, 8, width * 1.1, 4.0))
    return canvas


def error_icon():
    """A red disc with a white cross on white: the static control fills around it with the corner's
    colour, which is the body's."""
    size = ERROR_ICON_SIZE
    canvas = Canvas(size, size, lambda x, y: WHITE)
    centre = size / 2
    canvas.paint(ALARM, circle(centre, centre, size / 2 - 1.5))
    arm = size * 0.19
    canvas.paint(WHITE, union(segment(centre - arm, centre - arm, centre + arm, centre + arm, size * 0.11),
                              segment(centre - arm, centre + arm, centre + arm, centre - arm, size * 0.11)))
    return canvas


def complete_icon():
    """A green disc with a white tick on the dialogs' background, which the static control also fills
    around it with (the corner's colour)."""
    size = COMPLETE_ICON_SIZE
    canvas = Canvas(size, size, lambda x, y: BAND)
    centre = size / 2
    canvas.paint(GOOD, circle(centre, centre, size / 2 - 1.5))
    stroke = size * 0.12
    canvas.paint(WHITE, union(segment(size * 0.28, size * 0.52, size * 0.44, size * 0.68, stroke),
                              segment(size * 0.44, size * 0.68, size * 0.72, size * 0.36, stroke)))
    return canvas


def banner():
    """The banner the download server publishes for the progress dialog: the picture at dusk. It is
    kept as resources/banner/ZarnBanner.jpg (this drawing, saved as JPEG); the build does not draw it."""
    width, height = PICTURE_SIZE
    sky_top, sky_bottom = (58, 72, 120), (238, 170, 120)
    canvas = Canvas(width, height, lambda x, y: mix(sky_top, sky_bottom, y / height))
    canvas.paint((252, 226, 160), circle(width * 0.24, height * 0.52, 30))
    canvas.paint(mix(DEEP, sky_bottom, 0.45), wave(height * 0.64, 9, width * 0.8, 1.4))
    canvas.paint(mix(DEEP, LEAF, 0.35), wave(height * 0.75, 11, width * 0.65, 3.1))
    canvas.paint(DEEP, wave(height * 0.88, 7, width * 1.2, 0.3))
    return canvas


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--banner":
        with open(sys.argv[2], "wb") as f:
            f.write(banner().bmp())
        return
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for name, draw in (("header.bmp", header), ("picture.bmp", picture), ("error.bmp", error_icon),
                       ("complete.bmp", complete_icon)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(draw().bmp())


if __name__ == "__main__":
    main()
