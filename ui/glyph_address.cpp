// Maps a GBK code to its atlas cell: symbol zones A1-A7, hanzi zones B0-F7, two extra cells.
#include "ui/glyph_address.h"

GlyphCell glyph_cell(unsigned code)
{
    code &= 0xFFFF;
    if (code == 0xE946)
        return {3, 0, 896};
    if (code == 0xA9A4)
        return {3, 16, 896};

    unsigned d = (code - 0xA0A0) & 0xFFFF;
    int i = 96 * (int)(d >> 8) + (int)(d & 0xFF);
    int n;
    if (code < 0xB0A1) {
        int q = (i - 97) / 96;
        n = (i - 97 - 2 * q) & 0xFFFF;
    } else {
        int q = (i - 1537) / 96;
        n = (i - 879 - 2 * q) & 0xFFFF;
    }

    int row_pixel = GLYPH_CELL_SIZE * (n / GLYPH_CELLS_ACROSS);
    int bitmap = row_pixel / GLYPH_BITMAP_HEIGHT;
    if (bitmap > GLYPH_BITMAPS - 1)
        bitmap = GLYPH_BITMAPS - 1;
    return {bitmap, GLYPH_CELL_SIZE * (n % GLYPH_CELLS_ACROSS), row_pixel % GLYPH_BITMAP_HEIGHT};
}
