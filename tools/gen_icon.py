#!/usr/bin/env python3
"""Draws the Tavik icon: a blue rounded square with a white stylised 中.

Writes a .ico with 16x16 and 32x32 images, each a 32-bit BGRA DIB with its
AND mask. Shapes are sampled 4x4 per pixel for smooth edges; no randomness,
so the bytes are the same on every run.
"""
import struct
import sys

SIZES = (16, 32)
SUB = 4
TOP = (58, 128, 232)
BOTTOM = (22, 72, 176)


def in_rounded_square(x, y):
    lo, hi, r = 0.0, 1.0, 0.22
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_glyph(x, y):
    # Edges on sixteenths keep the 16x16 image crisp: 2-pixel strokes.
    t = 2 / 16
    left, right, top, bottom = 3 / 16, 13 / 16, 5 / 16, 11 / 16
    in_box = left <= x <= right and top <= y <= bottom
    in_hole = left + t < x < right - t and top + t < y < bottom - t
    stem = 0.5 - t / 2 <= x <= 0.5 + t / 2 and 2 / 16 <= y <= 14 / 16
    return (in_box and not in_hole) or stem


def render(size):
    """Rows top to bottom of (b, g, r, a)."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            shape = glyph = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    x = (px + (sx + 0.5) / SUB) / size
                    y = (py + (sy + 0.5) / SUB) / size
                    if in_rounded_square(x, y):
                        shape += 1
                        if in_glyph(x, y):
                            glyph += 1
            total = SUB * SUB
            if not shape:
                row.append((0, 0, 0, 0))
                continue
            t = py / (size - 1)
            base = [TOP[i] + (BOTTOM[i] - TOP[i]) * t for i in range(3)]
            mix = glyph / shape
            r, g, b = (round(c + (255 - c) * mix) for c in base)
            row.append((b, g, r, round(255 * shape / total)))
        rows.append(row)
    return rows


def dib(size):
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + colour + bytes(mask)


def icon():
    images = [dib(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: gen_icon.py OUT.ico")
    data = icon()
    try:
        with open(sys.argv[1], "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(sys.argv[1], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
