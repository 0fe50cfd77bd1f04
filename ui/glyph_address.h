// Where the 16x16 cell of a two-byte GBK code lies in the four atlas bitmaps.
#ifndef TAVIK_GLYPH_ADDRESS_H
#define TAVIK_GLYPH_ADDRESS_H

enum {
    GLYPH_CELL_SIZE = 16,
    GLYPH_CELLS_ACROSS = 32,
    GLYPH_BITMAP_WIDTH = 512,
    GLYPH_BITMAP_HEIGHT = 944,
    GLYPH_BITMAPS = 4,
};

struct GlyphCell {
    int bitmap; // 0..3
    int x;      // top-left pixel of the cell inside that bitmap
    int y;
};

// Every 16-bit code gets a whole cell inside one bitmap: codes outside the
// covered GB2312 zones are not refused, they land on some cell.
GlyphCell glyph_cell(unsigned code);

#endif
