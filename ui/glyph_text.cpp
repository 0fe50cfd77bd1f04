// Draws and measures mixed ASCII/GBK text: Chinese from the glyph atlas, ASCII in the DC's font.
#include "ui/glyph_text.h"

#include "ui/gbk_walk.h"
#include "ui/glyph_address.h"
#include "ui/ui.h"

WCHAR wide_text_buffer[WIDE_TEXT_UNITS];

struct TextPass {
    HDC dc;
    int x;
    int y;
    DWORD rop;
};

static int font_byte_width(void *context, unsigned char byte)
{
    const TextPass *pass = (const TextPass *)context;
    char ch = (char)byte;
    SIZE size;
    return GetTextExtentPointA(pass->dc, &ch, 1, &size) ? size.cx : 0;
}

static void draw_char(void *context, const GbkChar *ch)
{
    const TextPass *pass = (const TextPass *)context;
    int x = pass->x + ch->offset;
    if (ch->is_double) {
        GlyphCell cell = glyph_cell(ch->code);
        BitBlt(pass->dc, x, pass->y, GLYPH_CELL_SIZE, GLYPH_CELL_SIZE, g_drawing.glyph_atlas[cell.bitmap].dc,
               cell.x, cell.y, pass->rop);
    } else {
        char byte = (char)ch->code;
        // ASCII sits one pixel lower than the glyph cells to share their baseline.
        TextOutA(pass->dc, x, pass->y + 1, &byte, 1);
    }
}

SIZE draw_gbk_text(HDC dc, int x, int y, const char *text, int highlighted)
{
    int length = text ? lstrlenA(text) : 0;
    int previous_mode = SetBkMode(dc, TRANSPARENT);
    TextPass pass = {dc, x, y, highlighted ? (DWORD)SRCPAINT : (DWORD)SRCAND};
    int width = walk_gbk_text(text, length, font_byte_width, draw_char, &pass);
    if (previous_mode)
        SetBkMode(dc, previous_mode);
    return {width, GBK_TEXT_HEIGHT};
}

SIZE measure_gbk_text(HDC dc, const char *text)
{
    int length = text ? lstrlenA(text) : 0;
    TextPass pass = {dc, 0, 0, 0};
    return {walk_gbk_text(text, length, font_byte_width, NULL, &pass), GBK_TEXT_HEIGHT};
}

void system_text_out(HDC dc, int x, int y, const char *text, int length)
{
    if (!text || length <= 0)
        return;
    if (g_drawing.ansi_text_output) {
        TextOutA(dc, x, y, text, length);
        return;
    }
    // Longer than the buffer: the conversion fails and nothing is drawn.
    int units = MultiByteToWideChar(936, 0, text, length, wide_text_buffer, WIDE_TEXT_UNITS);
    if (units > 0)
        TextOutW(dc, x, y, wide_text_buffer, units);
}
