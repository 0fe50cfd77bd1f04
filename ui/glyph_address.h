// The glyph atlas's dimensions, and where the 16x16 cell of a two-byte GBK code lies in it.
#ifndef TAVIK_GLYPH_ADDRESS_H
#define TAVIK_GLYPH_ADDRESS_H

enum {
    GLYPH_CELL_SIZE = 16,
    GLYPH_CELLS_ACROSS = 32,
    GLYPH_BITMAP_WIDTH = 512,
    GLYPH_BITMAP_HEIGHT = 944,
    GLYPH_BITMAPS = 4,
    // The atlas as stored: one block of one-bit rows per bitmap, in bitmap order.
    ATLAS_BLOCK_SIZE = GLYPH_BITMAP_HEIGHT * GLYPH_BITMAP_WIDTH / 8,
    ATLAS_SIZE = GLYPH_BITMAPS * ATLAS_BLOCK_SIZE,
    ATLAS_BUFFER_SIZE = 307200, // what the resource may inflate to
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
