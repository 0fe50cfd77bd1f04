#!/usr/bin/env python3
"""Builds the 16x16 GB2312 glyph atlas from GNU Unifont.

Four 512x944 one-bit bitmaps back to back, 64 bytes a row, MSB leftmost,
0 = ink. Cells run row by row through all four bitmaps: symbol zones
A1-A7 first, then the hanzi zones B0-F7, then two extra cells.
"""
import sys

CELLS_ACROSS = 32
ROW_BYTES = 64
BITMAP_ROWS = 944
ATLAS_SIZE = 4 * BITMAP_ROWS * ROW_BYTES  # 241664
EXTRA_CELLS = {7456: 0xE946, 7457: 0xA9A4}


def load_unifont(path):
    glyphs = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            code, _, bits = line.strip().partition(":")
            if code and bits:
                glyphs[int(code, 16)] = bits
    return glyphs


def glyph_rows(bits):
    """Sixteen 16-bit rows, ink as 1, from a Unifont hex string."""
    if len(bits) == 64:
        return [int(bits[i:i + 4], 16) for i in range(0, 64, 4)]
    if len(bits) == 32:  # half-width glyph: centre it in the cell
        return [int(bits[i:i + 2], 16) << 4 for i in range(0, 32, 2)]
    raise ValueError("unexpected glyph width")


def cell_of(lead, trail):
    if 0xA1 <= lead <= 0xA7:
        return 94 * (lead - 0xA1) + (trail - 0xA1)
    return 658 + 94 * (lead - 0xB0) + (trail - 0xA1)


def gbk_char(code, codec):
    try:
        return bytes([code >> 8, code & 0xFF]).decode(codec)
    except UnicodeDecodeError:
        return None


def build(unifont_path):
    glyphs = load_unifont(unifont_path)
    atlas = bytearray(b"\xff" * ATLAS_SIZE)
    placed = 0

    def put(cell, char):
        nonlocal placed
        bits = glyphs.get(ord(char)) if char and len(char) == 1 else None
        if bits is None:
            return
        top = 16 * (cell // CELLS_ACROSS)
        x_byte = 2 * (cell % CELLS_ACROSS)
        for r, row in enumerate(glyph_rows(bits)):
            offset = (top + r) * ROW_BYTES + x_byte
            paper = ~row & 0xFFFF
            atlas[offset] = paper >> 8
            atlas[offset + 1] = paper & 0xFF
        placed += 1

    for lead in list(range(0xA1, 0xA8)) + list(range(0xB0, 0xF8)):
        for trail in range(0xA1, 0xFF):
            put(cell_of(lead, trail), gbk_char(lead << 8 | trail, "gb2312"))
    for cell, code in EXTRA_CELLS.items():
        put(cell, gbk_char(code, "gbk"))
    return bytes(atlas), placed


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: gen_atlas.py UNIFONT_HEX OUT_BIN")
    atlas, placed = build(sys.argv[1])
    assert len(atlas) == ATLAS_SIZE
    try:
        with open(sys.argv[2], "rb") as f:
            if f.read() == atlas:
                return
    except OSError:
        pass
    with open(sys.argv[2], "wb") as f:
        f.write(atlas)
    print(f"glyph atlas: {placed} glyphs, {len(atlas)} bytes")


if __name__ == "__main__":
    main()
