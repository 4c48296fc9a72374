#!/usr/bin/env python3
"""Draws Quillomat.ico: a memory chip with a check mark.

Writes the sizes Windows asks for at 100 % to 200 % scaling (16 to 64 pixels) as
32-bit bitmaps and 256 pixels as PNG. Pure Python; shapes are drawn from their
geometry with 4 x 4 supersampling for smooth edges.

    python3 ui/resources/make_icon.py ui/resources/Quillomat.ico
"""

import math
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)

BODY = (0x2B, 0x4C, 0x7E)  # dark blue
BODY_EDGE = (0x1A, 0x33, 0x5C)
PIN = (0x9A, 0xA5, 0xB1)  # grey
CHECK = (0xFF, 0xFF, 0xFF)


def rounded_rect(x, y, left, top, right, bottom, radius):
    """True when (x, y) lies inside the rounded rectangle."""
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2 and left <= x <= right and top <= y <= bottom


def near_segment(x, y, a, b, half_width):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= half_width


def colour_at(x, y):
    """The colour at a point of the unit square, or None for transparent."""
    check = ((0.32, 0.52), (0.45, 0.65), (0.69, 0.37))
    if near_segment(x, y, check[0], check[1], 0.055) or near_segment(x, y, check[1], check[2], 0.055):
        return CHECK
    if rounded_rect(x, y, 0.19, 0.19, 0.81, 0.81, 0.07):
        return BODY
    if rounded_rect(x, y, 0.16, 0.16, 0.84, 0.84, 0.09):
        return BODY_EDGE
    for centre in (0.32, 0.5, 0.68):
        for left, right in ((0.04, 0.17), (0.83, 0.96)):
            if left <= x <= right and abs(y - centre) <= 0.045:
                return PIN
            if left <= y <= right and abs(x - centre) <= 0.045:
                return PIN
    return None


def render(size, samples=4):
    """Rows of (r, g, b, a) pixels, top row first."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                    if c:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            n = samples * samples
            row.append((r // a, g // a, b // a, 255 * a // n) if a else (0, 0, 0, 0))
        rows.append(row)
    return rows


def bitmap_image(size, rows):
    """An icon image as BITMAPINFOHEADER, BGRA pixels bottom-up and an AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # all opaque; the alpha channel does the work
    return header + pixels + mask


def png_image(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(path):
    images = []
    for size in SIZES:
        rows = render(size, samples=4 if size >= 64 else 8)
        images.append((size, png_image(size, rows) if size >= 256 else bitmap_image(size, rows)))
    offset = 6 + 16 * len(images)
    directory, data = b"", b""
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
        data += image
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, len(images)) + directory + data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Quillomat.ico")
